#ifndef UNSENTMARKS_H
#define UNSENTMARKS_H

#include <QHash>
#include <QString>

class ListModel;
class TaskList;
class UserLists;

// A run marks each list before its upload leaves (see UploadMark), all in
// one save before the first upload. The marks the lists had before, kept
// until each upload leaves: a run that ends early puts them back on the
// lists it never sent, as only what went out is in doubt.
class UnsentMarks
{
public:
    // `before` was the list's mark before the run marked it; an earlier one
    // kept for the model stays.
    void keep(ListModel *model, TaskList *list, const QString &before);
    // The same, where only an earlier one kept for this very list stays: a
    // list kept in place of another keeps no mark of that one's.
    void keepForList(ListModel *model, TaskList *list, const QString &before);
    // The model's upload left: its mark stays.
    void sent(ListModel *model) { m_marks.remove(model); }
    void clear() { m_marks.clear(); }
    // Puts the marks kept back on the lists still held, then forgets them.
    void putBack(const UserLists *lists);

private:
    struct Mark
    {
        TaskList *list = nullptr;
        QString mark;
    };
    QHash<ListModel *, Mark> m_marks;
};

#endif
