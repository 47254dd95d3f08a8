#include "shell/editcontextmenu.h"

#include "shell/menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPoint>
#include <QPointer>

namespace {

struct StandardEntry
{
    const char *name;   // the toolkit's object name of the entry, where it sets one
    const char *text;   // the toolkit's own (translatable) text of the entry
    const char *image;
};

// In the toolkit's order for an editable field.
const StandardEntry kEntries[] = {
    {"edit-undo", QT_TRANSLATE_NOOP("QLineEdit", "&Undo"), ":/undo.png"},
    {"edit-redo", QT_TRANSLATE_NOOP("QLineEdit", "&Redo"), ":/redo.png"},
    {"edit-cut", QT_TRANSLATE_NOOP("QLineEdit", "Cu&t"), ":/cut.png"},
    {"edit-copy", QT_TRANSLATE_NOOP("QLineEdit", "&Copy"), ":/copy.png"},
    {"edit-paste", QT_TRANSLATE_NOOP("QLineEdit", "&Paste"), ":/paste.png"},
    {"edit-delete", QT_TRANSLATE_NOOP("QLineEdit", "Delete"), ":/task_delete.png"},
    {"select-all", QT_TRANSLATE_NOOP("QLineEdit", "Select All"), ":/select_all.png"},
};

// What a standard entry is: its object name where the toolkit gives one
// (text edits), otherwise its text as the toolkit translates it (line edits
// leave their entries unnamed). Empty for entries not known here.
QString standardName(const QAction *action)
{
    const QString name = action->objectName();
    if (!name.isEmpty())
        return name;
    const QString text = action->text().section(QLatin1Char('\t'), 0, 0);
    for (const StandardEntry &entry : kEntries) {
        for (const char *context : {"QLineEdit", "QWidgetTextControl"}) {
            if (text == QCoreApplication::translate(context, entry.text))
                return QLatin1String(entry.name);
        }
    }
    return QString();
}

} // namespace

QString EditContextMenu::imageFor(const QString &standardName)
{
    if (standardName == QLatin1String("link-copy"))
        return QStringLiteral(":/copy.png");
    for (const StandardEntry &entry : kEntries) {
        if (standardName == QLatin1String(entry.name))
            return QLatin1String(entry.image);
    }
    return QString();
}

QString EditContextMenu::standardEntryName(const QAction *action)
{
    return standardName(action);
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

    for (QAction *action : std::as_const(entries)) {
        const QString name = standardName(action);
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
    // popup has closed, then release both. Both are children of the field,
    // which may be deleted while the popup runs its own event loop.
    QPointer<QMenu> keep(standard);
    QPointer<Menu> popup(build(standard, parent, readOnly, selectAllText));
    popup->exec(globalPos);
    delete popup.data();
    delete keep.data();
}
