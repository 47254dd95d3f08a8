#ifndef COMMANDSTEST_H
#define COMMANDSTEST_H

// The lists page on a temporary data folder, for the command tests: lists
// written as task shapes (see treetest.h), a list given each of the
// permission kinds a user meets, the page's commands found by class, and
// keys pressed on the current tree as a user would.

#include "core/options.h"
#include "lists/commands/listsaction.h"
#include "lists/listsui.h"
#include "lists/tabwidget.h"
#include "lists/treeview.h"
#include "model/listmodel.h"
#include "model/tasklist.h"
#include "model/userlists.h"
#include "treetest.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <memory>

namespace CommandsTest {

// Back to a clean folder and settings; call from each test's init().
inline void reset()
{
    QDir dir = QFileInfo(ListsUI::listsFilePath()).absoluteDir();
    for (const QString &name : dir.entryList(QDir::Files))
        dir.remove(name);
    QSettings().clear();
    Options::resetAll();
}

// "owned", or the letters of a list somebody shares with the user.
inline void setPermission(ListModel *list, const QString &kind)
{
    const bool owned = kind == QLatin1String("owned");
    list->taskList()->setOwned(owned);
    list->taskList()->setOwner(owned ? QString() : QStringLiteral("alice"));
    list->setPermissions(owned ? QStringLiteral("orwd") : kind);
}

struct Page
{
    // Lists as "Name: shape", in tab order.
    explicit Page(const QStringList &lists)
    {
        {
            UserLists written;
            for (const QString &entry : lists) {
                const int colon = entry.indexOf(QLatin1Char(':'));
                ListModel *model = written.createList();
                TaskList *list = model->taskList();
                list->setName(entry.left(colon));
                list->setLocalId(quint32(written.models().size()));
                while (list->rootTask()->childCount())
                    delete list->rootTask()->takeChild(list->rootTask()->child(0));
                int pos = 0;
                TreeTest::parse(entry.mid(colon + 1).trimmed(), pos, list->rootTask());
                TreeTest::stampCreation(list->rootTask());
            }
            QVERIFY(written.save(ListsUI::listsFilePath()));
        }
        ui = std::make_unique<ListsUI>(nullptr, nullptr, nullptr);
        QWidget *tabs = ui->centralWidget();
        tabs->setGeometry(50, 50, 480, 400);
        tabs->show();
        tabs->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tabs));
        focusTree();
    }
    ListModel *list(const QString &name) const
    {
        for (ListModel *model : ui->userLists()->models()) {
            if (model->name() == name)
                return model;
        }
        return nullptr;
    }
    QString shape(const QString &name) const { return TreeTest::write(list(name)->taskList()->rootTask()); }
    TreeView *tree() const { return ui->currentTreeView(); }
    QModelIndex at(const QString &title, const QModelIndex &parent = QModelIndex()) const
    {
        ListModel *model = ui->currentList();
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            if (index.data().toString() == title)
                return index;
            const QModelIndex found = at(title, index);
            if (found.isValid())
                return found;
        }
        return QModelIndex();
    }
    // Makes the list current and, unless the title is empty, one of its
    // tasks; then the page refreshes its commands as it does on every change.
    void select(const QString &listName, const QString &title = QString())
    {
        ui->setCurrentList(list(listName));
        if (title.isEmpty())
            tree()->setCurrentIndex(QModelIndex());
        else
            tree()->setCurrentIndex(at(title));
        ui->refreshActions();
        focusTree();
    }
    void focusTree()
    {
        if (TreeView *view = tree())
            view->setFocus();
    }
    QString current() const
    {
        const QModelIndex index = tree()->currentIndex();
        return index.isValid() ? index.data().toString() : QStringLiteral("none");
    }
    // Keys typed on the current tree, e.g. "Ctrl+Up Space".
    void keys(const QString &script)
    {
        focusTree();
        TreeTest::keys(script);
    }

    // The page's own command of that class (the first when it has several).
    ListsAction *command(const QString &className) const
    {
        for (ListsAction *action : ui->findChildren<ListsAction *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (QLatin1String(action->metaObject()->className()) == className)
                return action;
        }
        return nullptr;
    }

    std::unique_ptr<ListsUI> ui;
};

inline QImage image(const QIcon &icon)
{
    return icon.isNull() ? QImage() : icon.pixmap(16, 16).toImage();
}

// The image the command shows, by its resource name ("" for none).
inline bool showsImage(Action *action, const QString &name)
{
    if (name.isEmpty())
        return action->currentIcon().isNull();
    const QImage expected = image(QIcon(QStringLiteral(":/%1.png").arg(name)));
    return !expected.isNull() && image(action->currentIcon()) == expected;
}

inline QList<QKeySequence> sequences(const QString &keys)
{
    QList<QKeySequence> list;
    for (const QString &key : keys.split(QLatin1Char(','), Qt::SkipEmptyParts))
        list << QKeySequence(key.trimmed());
    return list;
}

// The columns of a table of commands' looks: class, text, keys (comma
// separated), image name ("" for none).
inline void addLooksColumns()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("image");
}

// Checks the command against the current row of such a table.
inline void verifyLooks(Action *action)
{
    QFETCH(QString, text);
    QFETCH(QString, keys);
    QFETCH(QString, image);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcuts(), sequences(keys));
    QVERIFY(showsImage(action, image));
}

// While it lives, answers the program's next question or notice with Return
// (yes) or Escape (no) and keeps its title and text.
class Answer : public QObject
{
public:
    explicit Answer(bool yes)
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this, yes]() {
            QWidget *box = QApplication::activeModalWidget();
            if (!box || !box->inherits("MessageDialog"))
                return;
            const QList<QLabel *> labels = box->findChildren<QLabel *>(QStringLiteral("textlabel"));
            text = labels.isEmpty() ? QString() : labels.first()->text();
            title = box->windowTitle();
            ++count;
            QTest::keyClick(box, yes ? Qt::Key_Return : Qt::Key_Escape);
        });
        m_timer.start();
    }

    QString title;
    QString text;
    int count = 0;

private:
    QTimer m_timer;
};

} // namespace CommandsTest

#endif
