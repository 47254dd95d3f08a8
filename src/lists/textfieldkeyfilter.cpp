#include "lists/textfieldkeyfilter.h"

#include "lists/treeview.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// The forms a typed key may run a shortcut as.
QList<QKeyCombination> shortcutForms(const QKeyEvent &event)
{
    // The toolkit's shortcut matching tries a key as typed, then without the
    // keypad flag, then Shift+Backtab (X11 sends it for Shift+Tab) as
    // Shift+Tab: a key claimed for a field must be matched the same ways.
    const QKeyCombination typed = event.keyCombination();
    QList<QKeyCombination> forms{typed};
    const Qt::KeyboardModifiers modifiers = typed.keyboardModifiers();
    if (modifiers & Qt::KeypadModifier)
        forms << QKeyCombination(modifiers & ~Qt::KeypadModifier, typed.key());
    if (typed.key() == Qt::Key_Backtab && (modifiers & Qt::ShiftModifier))
        forms << QKeyCombination(modifiers, Qt::Key_Tab);
    return forms;
}

// The keys held with Ctrl that a text field edits with, wherever the
// platform puts them.
constexpr QKeySequence::StandardKey editingKeys[] = {
    QKeySequence::Copy, QKeySequence::Cut,       QKeySequence::Paste,           QKeySequence::Undo,
    QKeySequence::Redo, QKeySequence::SelectAll, QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine,
};

// Whether a text field has a use for the key: typing, Tab, moving and
// selecting, deleting, the clipboard and undo. Function keys and the other
// keys held with Ctrl (F5, Ctrl+F, Ctrl+T, Ctrl+Tab) are the page's even from
// a field.
bool fieldUsesKey(const QKeyEvent &event)
{
    for (const QKeySequence::StandardKey key : editingKeys) {
        if (event.matches(key))
            return true;
    }
    const int key = event.key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return false;
    const Qt::KeyboardModifiers held = event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (held == Qt::NoModifier)
        return true;
    if (held != Qt::ControlModifier)
        return false;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    default:
        return false;
    }
}

} // namespace

TextFieldKeyFilter::TextFieldKeyFilter(QWidget *actionsOwner, QObject *parent)
    : QObject(parent)
    , m_actionsOwner(actionsOwner)
{
    qApp->installEventFilter(this);
}

TextFieldKeyFilter::~TextFieldKeyFilter()
{
    qApp->removeEventFilter(this);
}

bool TextFieldKeyFilter::isTextField(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget)
        || qobject_cast<const QPlainTextEdit *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget);
}

bool TextFieldKeyFilter::isTaskTitleEditor(const QWidget *widget)
{
    // The tree opens its editors on its viewport; its search bar sits on the
    // tree itself.
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const auto *tree = qobject_cast<const TreeView *>(w->parentWidget());
        if (tree && tree->viewport() == w)
            return true;
    }
    return false;
}

bool TextFieldKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    // The toolkit asks the focus widget first whether it wants a key that is
    // also a shortcut: a text field of the page's window says yes.
    if (event->type() != QEvent::ShortcutOverride || !m_actionsOwner || !watched->isWidgetType())
        return false;
    const auto *widget = static_cast<QWidget *>(watched);
    // Another page shown in the window keeps its own keys.
    if (!m_actionsOwner->isVisible() || widget->window() != m_actionsOwner->window() || !isTextField(widget)
        || isTaskTitleEditor(widget))
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!fieldUsesKey(*key))
        return false;
    // Only the keys that would run a command now.
    if (!commandFor(m_actionsOwner->actions(), *key))
        return false;
    event->accept();
    return true;
}

QAction *TextFieldKeyFilter::commandFor(const QList<QAction *> &actions, const QKeyEvent &event)
{
    const QList<QKeyCombination> forms = shortcutForms(event);
    for (QAction *action : actions) {
        if (!action->isEnabled())
            continue;
        for (const QKeySequence &shortcut : action->shortcuts()) {
            for (const QKeyCombination typed : forms) {
                if (shortcut.matches(QKeySequence(typed)) == QKeySequence::ExactMatch)
                    return action;
            }
        }
    }
    return nullptr;
}
