#ifndef ACTION_H
#define ACTION_H

#include <QAction>

// Base of every command: the command itself decides whether it is available,
// whether it is checked, what it is called in each state and what it does, so
// menus, buttons and key bindings sharing one action always agree.
class Action : public QAction
{
    Q_OBJECT
public:
    // Parented to `parent`, or to `owner` when no parent is given.
    Action(const QString &text, QObject *owner, QObject *parent = nullptr);
    ~Action() override;

    QObject *owner() const { return m_owner; }

    virtual QIcon currentIcon();
    virtual bool shouldBeEnabled() = 0;
    virtual bool shouldBeChecked();
    virtual QString checkedText();
    virtual QString uncheckedText();
    virtual QString displayText();
    virtual void execute() = 0;

    // Brings the toolkit's enabled state, and for a checkable command its
    // checked state and text, in line with the command.
    void updateState();

private slots:
    void onTriggered();

private:
    QObject *m_owner;
};

#endif
