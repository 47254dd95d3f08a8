#include "shell/launchhelpaction.h"

#include "core/uisettings.h"
#include "shell/customdialog.h"
#include "shell/webkitbrowserdialog.h"

#include <QDebug>

namespace {

LaunchHelpAction::WindowFactory &windowFactory()
{
    // Tests put a window of their own in place of the web view.
    static LaunchHelpAction::WindowFactory factory = [](const QUrl &url) -> CustomDialog * {
        auto *window = new WebkitBrowserDialog(QString());
        window->load(url);
        return window;
    };
    return factory;
}

} // namespace

void LaunchHelpAction::setWindowFactory(const WindowFactory &factory)
{
    windowFactory() = factory;
}

LaunchHelpAction::LaunchHelpAction(const QString &text, const QString &url, QObject *parent)
    : Action(text, nullptr, parent), m_url(url)
{
}

void LaunchHelpAction::execute()
{
    open(m_url);
}

CustomDialog *LaunchHelpAction::open(const QUrl &url)
{
    CustomDialog *window = windowFactory()(url);
    if (!window)
        return nullptr;
    window->setTitle(tr("Plumdeck Help"));
    window->setTitleIcon(UISettings::instance()->isBlueSkin() ? QStringLiteral(":/help_blue.png")
                                                              : QStringLiteral(":/help.png"));
    // Nobody else keeps the window: it goes when the user closes it.
    connect(window, &QDialog::finished, window, &QObject::deleteLater);
    window->resize(1024, 720);
    window->show();
    return window;
}
