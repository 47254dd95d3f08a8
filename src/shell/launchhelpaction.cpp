#include "shell/launchhelpaction.h"

#include "core/uisettings.h"
#include "shell/customdialog.h"

#include <QDebug>

namespace {

LaunchHelpAction::WindowFactory &windowFactory()
{
    static LaunchHelpAction::WindowFactory factory;
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
    if (!windowFactory()) {
        qWarning() << "LaunchHelpAction: no help window to show" << m_url;
        return;
    }
    CustomDialog *window = windowFactory()(m_url);
    if (!window)
        return;
    window->setTitle(tr("Plumdeck Help"));
    window->setTitleIcon(UISettings::instance()->isBlueSkin() ? QStringLiteral(":/help_blue.png")
                                                              : QStringLiteral(":/help.png"));
    // Nobody else keeps the window: it goes when the user closes it.
    connect(window, &QDialog::finished, window, &QObject::deleteLater);
    window->resize(1024, 720);
    window->show();
}
