#ifndef TREETEST_H
#define TREETEST_H

// A task tree over a list written as text, shown and driven like a user
// would. A list is written "A[a1 a2] *B -C[c1] _": brackets hold subtasks,
// '*' marks a done task, '-' a collapsed one, '_' an untitled one.

#include "lists/tasktreeowner.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QSettings>
#include <QTest>

namespace TreeTest {

struct Owner : TaskTreeOwner
{
    bool syncing = false;
    QStringList calls;
    bool isSyncing() const override { return syncing; }
    void showNoteDialog() override { calls << QStringLiteral("note"); }
    void showAlarmDialog() override { calls << QStringLiteral("alarm"); }
    void showTimeManagementDialog() override { calls << QStringLiteral("calendar"); }
    void openTaskLink() override { calls << QStringLiteral("link"); }
    void playTaskVideo() override { calls << QStringLiteral("video"); }
    void showTaskContextMenu(const QPoint &) override { calls << QStringLiteral("menu"); }
    void onCancelSingleListSync(ListModel *list) override { calls << QStringLiteral("cancel ") + list->name(); }
    void tellUser(const QString &text) override { calls << QStringLiteral("tell ") + text; }
};

inline void parse(const QString &text, int &pos, Task *parent)
{
    while (pos < text.size() && text.at(pos) != QLatin1Char(']')) {
        if (text.at(pos) == QLatin1Char(' ')) {
            ++pos;
            continue;
        }
        auto *task = new Task;
        for (; text.at(pos) == QLatin1Char('*') || text.at(pos) == QLatin1Char('-'); ++pos)
            (text.at(pos) == QLatin1Char('*')) ? task->setDone(true) : task->setExpanded(false);
        QString title;
        while (pos < text.size() && !QStringLiteral(" []").contains(text.at(pos)))
            title += text.at(pos++);
        task->setTitle(title == QLatin1String("_") ? QString() : title);
        parent->insertChild(task, parent->childCount());
        if (pos < text.size() && text.at(pos) == QLatin1Char('[')) {
            parse(text, ++pos, task);
            ++pos;
        }
    }
}

// Gives every task below `parent` a creation second of its own, as the
// program stamps each task it makes: undo, redo and a synchronisation know a
// task again by it.
inline void stampCreation(Task *parent)
{
    static qint64 second = 1700000000;
    for (Task *task : parent->children()) {
        task->setCreationTime(QDateTime::fromSecsSinceEpoch(++second, Qt::UTC));
        stampCreation(task);
    }
}

inline QString write(const Task *parent)
{
    QStringList parts;
    for (const Task *task : parent->children()) {
        QString part = QString(task->isDone() ? QStringLiteral("*") : QString())
            + (task->childCount() && !task->isExpanded() ? QStringLiteral("-") : QString())
            + (task->title().isEmpty() ? QStringLiteral("_") : task->title());
        if (task->childCount())
            part += QLatin1Char('[') + write(task) + QLatin1Char(']');
        parts << part;
    }
    return parts.join(QLatin1Char(' '));
}

struct Tree
{
    explicit Tree(const QString &shape, const QString &permissions = QStringLiteral("orwd"))
    {
        // Rows are as tall as the skin makes them.
        if (qApp->styleSheet().isEmpty()) {
            QFile sheet(QStringLiteral(":/default.css"));
            QVERIFY(sheet.open(QIODevice::ReadOnly));
            qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
        }
        TaskList *list = TaskList::create();
        list->setName(QStringLiteral("Errands"));
        list->setPermissions(permissions);
        int pos = 0;
        parse(shape, pos, list->rootTask());
        model = new ListModel(list);
        view.setModel(model);
        view.setGeometry(50, 50, 420, 360);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.setFocus();
    }
    ~Tree()
    {
        view.setModel(nullptr);
        delete model->taskList();
        delete model;
    }
    QString shape() const { return write(model->taskList()->rootTask()); }
    QModelIndex at(const QString &title, const QModelIndex &parent = QModelIndex()) const
    {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            if (index.data().toString() == (title == QLatin1String("_") ? QString() : title))
                return index;
            const QModelIndex found = at(title, index);
            if (found.isValid())
                return found;
        }
        return QModelIndex();
    }
    void select(const QString &title) { view.setCurrentIndex(at(title)); }
    bool editing() const { return view.indexWidget(view.currentIndex()) != nullptr; }
    // The current task's title, "_" when it has none, "none" without a
    // current task; " editing" follows while its title editor is open.
    QString current() const
    {
        const QModelIndex index = view.currentIndex();
        const QString title = index.data().toString();
        return (!index.isValid() ? QStringLiteral("none") : title.isEmpty() ? QStringLiteral("_") : title)
            + (editing() ? QStringLiteral(" editing") : QString());
    }
    // Points in a row, in viewport coordinates: its check dot, its title.
    QPoint dot(const QString &title) const { return view.visualRect(at(title)).topLeft() + QPoint(8, 17); }
    QPoint text(const QString &title) const { return view.visualRect(at(title)).topLeft() + QPoint(40, 17); }
    void mouse(QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, pos, view.viewport()->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &event);
    }

    Owner owner;
    ListModel *model = nullptr;
    TreeView view{&owner};
};

// The key event the platform sends for a key: X11 sends Shift+Tab as
// Backtab, the Shift modifier kept.
inline QKeyCombination sentKey(const QKeyCombination &key)
{
    if (key.key() == Qt::Key_Tab && (key.keyboardModifiers() & Qt::ShiftModifier))
        return QKeyCombination(key.keyboardModifiers(), Qt::Key_Backtab);
    return key;
}

// Keys as a user types them, to whatever has the focus: names such as
// "Return", "Ctrl+Up" or "Ctrl+Num+Up" (on the keypad), and "type:text" for
// text.
inline void keys(const QString &script)
{
    for (const QString &step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QWidget *target = QApplication::focusWidget();
        if (step.startsWith(QLatin1String("type:"))) {
            for (const QChar c : step.mid(5))
                QTest::keyClicks(QApplication::focusWidget(), QString(c));
        } else {
            const QKeyCombination key = sentKey(QKeySequence(step)[0]);
            QTest::keyClick(target, key.key(), key.keyboardModifiers());
        }
    }
}

inline void setRemoveChildrenMode(int mode)
{
    QSettings().setValue(QStringLiteral("ui/remove-children-on-delete"), mode);
}

} // namespace TreeTest

#endif
