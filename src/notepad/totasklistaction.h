#ifndef TOTASKLISTACTION_H
#define TOTASKLISTACTION_H

#include "shell/action.h"

#include <QPointer>

class ListModel;
class NotepadTextEdit;

// One entry of the editor's "Move To List" menu: the selected text becomes a
// new top-level task of the list.
class ToTaskListAction : public Action
{
    Q_OBJECT
public:
    ToTaskListAction(ListModel *list, NotepadTextEdit *editor);

    bool shouldBeEnabled() override;
    void execute() override;

    // The selection as one task title: line breaks become blanks, other
    // characters that do not print are dropped.
    static QString titleFromSelection(const QString &selection);

private:
    NotepadTextEdit *m_editor;
    // The list may go while the editor's menu is open (a sync removes it).
    QPointer<ListModel> m_list;
};

#endif
