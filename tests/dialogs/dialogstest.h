#ifndef DIALOGSTEST_H
#define DIALOGSTEST_H

// Lists, groups and a stand-in for the lists page, shared by the dialogs'
// tests and screens. Trees are written as text: a word is a list, a word
// followed by "(...)" a group, a "-" after a group's name a collapsed one;
// "name:r" is a list shared with the user read-only ("rw", "rwd" likewise),
// "name+" a list of the user's shared with someone.

#include "dialogdriver.h"
#include "dialogs/listsgroupsmanagercontainer.h"
#include "dialogs/listsgroupsmanagerframeelement.h"
#include "dialogs/listsgroupsmanagergroup.h"
#include "dialogs/listsgroupsmanagerlist.h"
#include "model/listmodel.h"
#include "model/listsgroups.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "model/userlists.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QTest>

#include <memory>

namespace DialogsTest {

// Owns the lists and groups, and does for them what the lists page does: a
// new list gets a local id and an entry in the default group, a removed one
// loses its row and entry, a rename from the manager renames the list.
class ListsPage : public QObject
{
public:
    std::unique_ptr<UserLists> lists{new UserLists};
    std::unique_ptr<ListsGroups> groups{new ListsGroups};
    QPointer<ListsGroupsManagerContainer> container;
    quint32 nextLocalId = 1;

    ListsPage()
    {
        connect(lists.get(), &UserLists::listAdded, this, [this](ListModel *model) {
            if (model->taskList()->localId() == 0)
                model->taskList()->setLocalId(nextLocalId++);
            if (!groups->containsList(model->taskList()))
                groups->addListToDefaultGroup(model->taskList());
        });
        connect(lists.get(), &UserLists::listRemoved, this, [this](ListModel *model) {
            if (container)
                container->removeListElement(model->taskList()->localId(), model->taskList()->serverId());
            groups->removeList(model->taskList());
        });
    }

    void attach(ListsGroupsManagerContainer *c)
    {
        container = c;
        connect(c, &ListsGroupsManagerContainer::listNameChangeRequested, this,
                [this](ListModel *model, const QString &name) {
                    model->setName(name);
                    container->updateListElement(model);
                });
    }

    ListModel *addList(const QString &name, ListsGroupsElementGroup *group = nullptr)
    {
        ListModel *model = lists->createList();
        model->setName(name);
        if (group)
            groups->userMoveListToGroup(groups->findListByLocalId(model->taskList()->localId()), group);
        return model;
    }

    ListModel *list(const QString &name) const
    {
        for (ListModel *model : lists->models()) {
            if (model->name() == name)
                return model;
        }
        return nullptr;
    }

    // Builds the tree of `text` (see above) under the root group.
    void build(const QString &text)
    {
        int at = 0;
        build(text.simplified(), at, groups->rootGroup());
    }

    // The groups as text, lists by name.
    QString modelOutline(const ListsGroupsElementGroup *group = nullptr) const
    {
        if (!group)
            group = groups->rootGroup();
        QStringList items;
        for (const ListsGroupsElementList *entry : group->lists()) {
            const ListModel *model = container ? container->listByIds(entry->serverId(), entry->localId()) : nullptr;
            items << (model ? model->name() : QStringLiteral("?"));
        }
        for (const ListsGroupsElementGroup *child : group->groups())
            items << child->name() + (child->isExpanded() ? QString() : QStringLiteral("-")) + QLatin1Char('(')
                    + modelOutline(child) + QLatin1Char(')');
        return items.join(QLatin1Char(' '));
    }

private:
    void build(const QString &text, int &at, ListsGroupsElementGroup *group)
    {
        while (at < text.size() && text.at(at) != QLatin1Char(')')) {
            if (text.at(at) == QLatin1Char(' ')) {
                ++at;
                continue;
            }
            const QRegularExpressionMatch word =
                QRegularExpression(QStringLiteral("\\G([^ ()+:-]+)(-?)(\\(|\\+|:[rwd]+)?")).match(text, at);
            at = int(word.capturedEnd());
            const QString name = word.captured(1);
            const QString mark = word.captured(3);
            if (mark == QLatin1String("(")) {
                ListsGroupsElementGroup *child = groups->addGroup(group);
                child->setName(name);
                child->setExpanded(word.captured(2).isEmpty());
                build(text, at, child);
                ++at; // ')'
                continue;
            }
            ListModel *model = addList(name, group == groups->rootGroup() ? nullptr : group);
            if (mark == QLatin1String("+")) {
                model->addSharedUser(QStringLiteral("bob"), QStringLiteral("rw"));
            } else if (mark.startsWith(QLatin1Char(':'))) {
                model->taskList()->setOwned(false);
                model->setPermissions(mark.mid(1));
            }
        }
    }
};

// The rows as tree text, in the grammar of build(): "*" marks the selected
// row, "!" a row shown or hidden against its groups' state, "?" a row deeper
// than its place allows.
inline QString rowsOutline(const QList<ListsGroupsManagerElement *> &rows, int &i, int level, bool shown)
{
    QStringList items;
    while (i < rows.size() && rows.at(i)->level() >= level) {
        const ListsGroupsManagerElement *row = rows.at(i++);
        if (row->level() > level) {
            items << QStringLiteral("?");
            continue;
        }
        QString item = (row->isSelected() ? QStringLiteral("*") : QString()) + row->name();
        if (row->isHidden() == shown)
            item += QLatin1Char('!');
        if (row->isGroup()) {
            const bool expanded = static_cast<const ListsGroupsManagerGroup *>(row)->isExpanded();
            item += (expanded ? QString() : QStringLiteral("-")) + QLatin1Char('(')
                + rowsOutline(rows, i, level + 1, shown && expanded) + QLatin1Char(')');
        }
        items << item;
    }
    return items.join(QLatin1Char(' '));
}

inline QString rowsOutline(const ListsGroupsManagerContainer *container)
{
    int i = 0;
    const QString outline = rowsOutline(container->rows(), i, 0, true);
    return i == container->rows().size() ? outline : outline + QStringLiteral(" ?");
}

inline ListsGroupsManagerElement *row(const ListsGroupsManagerContainer *container, const QString &name)
{
    for (ListsGroupsManagerElement *r : container->rows()) {
        if (r->name() == name)
            return r;
    }
    return nullptr;
}

// While it lives, answers the program's next question box with Return (yes)
// or Escape (no) and keeps its text.
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
            m_timer.stop();
            QTest::keyClick(box, yes ? Qt::Key_Return : Qt::Key_Escape);
        });
        m_timer.start();
    }

    QString text;

private:
    QTimer m_timer;
};

// Which of the compiled-in images (":/<name>.png") the pixmap shows; empty
// when none.
inline QString imageName(const QPixmap &pixmap, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        if (!pixmap.isNull() && pixmap.toImage() == QPixmap(QStringLiteral(":/%1.png").arg(QLatin1String(name))).toImage())
            return QLatin1String(name);
    }
    return QString();
}

// A mouse event with its global position, sent to `target` (during a drag
// the pressed widget gets every move, as under the real mouse).
inline void sendMouse(QWidget *target, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QMouseEvent event(type, target->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace DialogsTest

#endif
