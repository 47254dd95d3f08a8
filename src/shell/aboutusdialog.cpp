#include "shell/aboutusdialog.h"

#include "core/uisettings.h"
#include "core/version.h"
#include "shell/toolbutton.h"

#include <QLabel>
#include <QVBoxLayout>

AboutUsDialog::AboutUsDialog(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(tr("About Plumdeck"));
    resize(550, 290);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_closeButton = new ToolButton(UISettings::instance()->isBlueSkin() ? QStringLiteral("window-close-blue")
                                                                        : QStringLiteral("window-close"),
                                   this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(m_closeButton, &QToolButton::clicked, this, &AboutUsDialog::onCloseButtonPressed);

    m_versionLabel = new QLabel(tr("Version %1").arg(versionString()), this);
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
}

void AboutUsDialog::onCloseButtonPressed()
{
    emit closeDialog();
}

void AboutUsDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_closeButton->resize(m_closeButton->sizeHint());
    m_closeButton->move(width() - m_closeButton->width() - 11, 12);
    m_versionLabel->resize(m_versionLabel->sizeHint());
    m_versionLabel->move(width() - m_versionLabel->width() - 38, 80);
}
