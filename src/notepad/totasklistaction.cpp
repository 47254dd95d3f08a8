#include "notepad/totasklistaction.h"

#include "core/uisettings.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "notepad/notepadtextedit.h"
#include "shell/menu.h"

#include <QIcon>
#include <QTextCursor>

ToTaskListAction::ToTaskListAction(ListModel *list, NotepadTextEdit *editor)
    : Action(Menu::entryText(list->name()), nullptr, editor)
    , m_editor(editor)
    , m_list(list)
{
    updateState();
    setIcon(QIcon(QStringLiteral(":/notepad_to_task.png")));
}

// A list in a run is replaced by the server's copy at its end: a task
// added meanwhile would be lost.
bool ToTaskListAction::shouldBeEnabled()
{
    return m_list && m_list->hasWritePermission() && !m_list->isSynchronizing();
}

QString ToTaskListAction::titleFromSelection(const QString &selection)
{
    const QString trimmed = selection.trimmed();
    QString title;
    title.reserve(trimmed.size());
    for (const QChar c : trimmed) {
        if (c == QChar::ParagraphSeparator || c == QLatin1Char('\n'))
            title.append(QLatin1Char(' '));
        else if (c.isPrint())
            title.append(c);
    }
    return title;
}

void ToTaskListAction::execute()
{
    QTextCursor cursor = m_editor->textCursor();
    const QString title = titleFromSelection(cursor.selectedText());
    if (title.isEmpty())
        return;
    Task *root = m_list->taskList()->rootTask();
    const int position = UISettings::instance()->moveToTop() ? 0 : root->childCount();
    Task *task = root->createChild(position);
    task->setTitle(title);
    m_list->markEditedAndReset();
    if (UISettings::instance()->deleteNoteWhenMove()) {
        cursor.removeSelectedText();
        m_editor->setTextCursor(cursor);
    }
}
