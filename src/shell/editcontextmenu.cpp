#include "shell/editcontextmenu.h"

#include "shell/menu.h"

#include <QAction>
#include <QMenu>
#include <QPoint>

#include <memory>

namespace {

// The standard entries of an editable field, in the toolkit's order; used
// only when the toolkit leaves its entries unnamed.
const char *const kOrder[] = {"edit-undo", "edit-redo", "edit-cut", "edit-copy",
                              "edit-paste", "edit-delete", "select-all"};

} // namespace

QString EditContextMenu::imageFor(const QString &standardName)
{
    static const struct { const char *name; const char *image; } images[] = {
        {"edit-undo", ":/undo.png"},     {"edit-redo", ":/redo.png"},
        {"edit-cut", ":/cut.png"},       {"edit-copy", ":/copy.png"},
        {"edit-paste", ":/paste.png"},   {"edit-delete", ":/task_delete.png"},
        {"select-all", ":/select_all.png"}, {"link-copy", ":/copy.png"},
    };
    for (const auto &i : images) {
        if (standardName == QLatin1String(i.name))
            return QLatin1String(i.image);
    }
    return QString();
}

Menu *EditContextMenu::build(QMenu *standard, QWidget *parent, bool readOnly, const QString &selectAllText)
{
    auto *menu = new Menu(parent);
    QList<QAction *> entries;
    const QList<QAction *> all = standard->actions();
    for (QAction *action : all) {
        if (!action->isSeparator())
            entries.append(action);
    }

    bool named = false;
    for (QAction *action : std::as_const(entries))
        named = named || !action->objectName().isEmpty();

    for (int i = 0; i < entries.size(); ++i) {
        QAction *action = entries.at(i);
        QString name = action->objectName();
        if (!named) {
            if (readOnly)
                name = i == 0 ? QStringLiteral("edit-copy") : i == 1 ? QStringLiteral("select-all") : QString();
            else if (i < int(std::size(kOrder)))
                name = QLatin1String(kOrder[i]);
        }
        const QString image = imageFor(name);
        if (!image.isEmpty())
            action->setIcon(QIcon(image));
        if (name == QLatin1String("select-all") && !readOnly)
            action->setText(selectAllText);
        menu->addAction(action);
    }
    return menu;
}

void EditContextMenu::exec(QMenu *standard, QWidget *parent, const QPoint &globalPos, bool readOnly,
                           const QString &selectAllText)
{
    // The popup shows the standard menu's entries: keep that menu until the
    // popup has closed, then release both.
    std::unique_ptr<QMenu> keep(standard);
    std::unique_ptr<Menu> popup(build(standard, parent, readOnly, selectAllText));
    popup->exec(globalPos);
}
