#include "shell/action.h"

#include <QDebug>

Action::Action(const QString &text, QObject *owner, QObject *parent)
    : QAction(text, parent ? parent : owner), m_owner(owner)
{
    connect(this, &QAction::triggered, this, &Action::onTriggered);
}

Action::~Action() = default;

QIcon Action::currentIcon()
{
    return icon();
}

bool Action::shouldBeChecked()
{
    qWarning() << "checkable action" << metaObject()->className() << "did not override shouldBeChecked";
    return false;
}

QString Action::checkedText()
{
    return text();
}

QString Action::uncheckedText()
{
    return text();
}

QString Action::displayText()
{
    return text();
}

void Action::updateState()
{
    setEnabled(shouldBeEnabled());
    if (!isCheckable())
        return;
    const bool checked = shouldBeChecked();
    setChecked(checked);
    setText(checked ? checkedText() : uncheckedText());
}

void Action::onTriggered()
{
    // A command that has become unavailable since the last refresh does
    // nothing, even when the toolkit still shows it enabled.
    if (!shouldBeEnabled())
        return;
    execute();
    // Overwrites whatever check mark the toolkit toggled on the click.
    updateState();
}
