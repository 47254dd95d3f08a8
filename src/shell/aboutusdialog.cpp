#include "shell/aboutusdialog.h"

#include "core/uisettings.h"
#include "core/version.h"
#include "shell/toolbutton.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QFrame *namedFrame(const char *name)
{
    auto *frame = new QFrame;
    frame->setObjectName(QLatin1String(name));
    return frame;
}

QLabel *wrappedLabel(const QString &text, const char *name)
{
    auto *label = new QLabel(text);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}

} // namespace

QString AboutUsDialog::productSite()
{
    return QStringLiteral("www.plumdeck.net");
}

QString AboutUsDialog::makerSite()
{
    return QStringLiteral("www.marrowgate.net");
}

AboutUsDialog::AboutUsDialog(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::FramelessWindowHint)
    , m_blueSkin(UISettings::instance()->isBlueSkin())
    , m_logo(m_blueSkin ? QStringLiteral(":/full/MGlogo_blue.png") : QStringLiteral(":/full/MGlogo_green.png"))
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(tr("About Plumdeck"));
    resize(550, 290);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    QFrame *dialogFrame = namedFrame("dialogFrame");
    layout->addWidget(dialogFrame);
    auto *dialogLayout = new QVBoxLayout(dialogFrame);
    QFrame *components = namedFrame("componentsFrame");
    dialogLayout->addWidget(components);
    auto *componentsLayout = new QVBoxLayout(components);
    componentsLayout->setContentsMargins(0, 0, 0, 0);
    componentsLayout->setSpacing(0);

    auto *banner = new QLabel;
    banner->setPixmap(QPixmap(QStringLiteral(":/full/pdapp_about_compo.png")));
    componentsLayout->addWidget(banner);

    QFrame *textFrame = namedFrame("textFrame");
    componentsLayout->addWidget(textFrame);
    auto *textLayout = new QVBoxLayout(textFrame);
    textLayout->setContentsMargins(10, 10, 10, 10);
    textLayout->setSpacing(10);
    textLayout->addWidget(wrappedLabel(
        tr("Plumdeck is an innovative new way to manage your tasks and increase your productivity at home and in the "
           "office.Plumdeck combines a powerful desktop client with online access and a dynamic sync engine.This gives "
           "you the speed and accessibility of the desktop and the freedom to network and share your tasks with "
           "others."),
        "aboutText1"));
    textLayout->addWidget(wrappedLabel(tr("Plumdeck is brought to you by Marrowgate, an industry leading provider of "
                                          "corporate productivity solutions. "
                                          "Marrowgate's next generation products will help you to increase your "
                                          "productivity, reduce your costs and take "
                                          "your company into the future."),
                                       "aboutText2"));

    const QString linkTemplate = m_blueSkin
        ? QStringLiteral("<a style=\"text-decoration: none; color: #d2e3f5\" href=\"%1\">%2</a>")
        : QStringLiteral("<a style=\"text-decoration: none; color: #999999\" href=\"%1\">%2</a>");
    auto link = [&linkTemplate](const QString &host) {
        auto *label = new QLabel(linkTemplate.arg(QStringLiteral("https://") + host, host));
        label->setOpenExternalLinks(true);
        return label;
    };
    auto *links = new QHBoxLayout;
    links->setContentsMargins(5, 5, 5, 5);
    links->setSpacing(5);
    links->addStretch();
    links->addWidget(link(productSite()));
    links->addSpacing(20);
    links->addWidget(link(makerSite()));
    componentsLayout->addLayout(links);

    dialogLayout->addSpacing(10);
    auto *logo = new QLabel;
    logo->setPixmap(m_logo);
    dialogLayout->addWidget(logo, 0, Qt::AlignHCenter);

    m_closeButton =
        new ToolButton(m_blueSkin ? QStringLiteral("window-close-blue") : QStringLiteral("window-close"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setAccessibleName(tr("Close"));
    connect(m_closeButton, &QToolButton::clicked, this, &AboutUsDialog::onCloseButtonPressed);

    m_versionLabel = new QLabel(tr("Version %1").arg(versionString()), this);
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
}

void AboutUsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The two paragraphs in full, whatever the font: taller when needed.
    if (layout()->hasHeightForWidth())
        resize(width(), qMax(height(), layout()->totalHeightForWidth(width())));
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
