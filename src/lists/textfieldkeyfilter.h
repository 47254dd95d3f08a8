#ifndef TEXTFIELDKEYFILTER_H
#define TEXTFIELDKEYFILTER_H

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QKeyEvent;
class QWidget;

// The page's commands take their keys window-wide. A key typed in a text
// field of that window (a search field, a panel's field, the notepad) that
// the field types, moves or edits with goes to the field instead, so Tab or
// Ctrl+Up there never changes the tasks behind the user's back; the others
// (F5, Ctrl+F, Ctrl+T, Ctrl+Tab) still run the page's commands. A task's own
// title editor keeps every command: there the user works on the tasks.
class TextFieldKeyFilter : public QObject
{
    Q_OBJECT
public:
    // Watches the whole application for the keys of `actionsOwner`'s actions.
    explicit TextFieldKeyFilter(QWidget *actionsOwner, QObject *parent = nullptr);
    ~TextFieldKeyFilter() override;

    static bool isTextField(const QWidget *widget);
    static bool isTaskTitleEditor(const QWidget *widget);
    // The enabled one of `actions` whose shortcut the typed key runs, as the
    // toolkit matches it; null for none.
    static QAction *commandFor(const QList<QAction *> &actions, const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_actionsOwner;
};

#endif
