#include "shell/loadingmodewidget.h"

#include "core/uisettings.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

LoadingModeWidget::LoadingModeWidget(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    m_frame = new QFrame;
    m_frame->setObjectName(QStringLiteral("loadingFrame"));
    layout->addWidget(m_frame);

    m_frameLayout = new QVBoxLayout(m_frame);
    auto *row = new QHBoxLayout;
    auto *image = new QLabel;
    image->setPixmap(QPixmap(UISettings::instance()->isBlueSkin() ? QStringLiteral(":/section_loading_blue.png")
                                                                  : QStringLiteral(":/section_loading.png")));
    auto *text = new QLabel(tr("Loading..."));
    text->setObjectName(QStringLiteral("loadingLabel"));
    row->addWidget(image);
    row->addWidget(text);
    m_frameLayout->addLayout(row);
    m_frameLayout->addStretch();
}

void LoadingModeWidget::onShowLoadingScreen()
{
    show();
    update();
    repaint();
}

void LoadingModeWidget::onHideLoadingScreen()
{
    hide();
}
