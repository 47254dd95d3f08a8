#ifndef EDITCONTEXTMENU_H
#define EDITCONTEXTMENU_H

#include <QString>

class QAction;
class QMenu;
class QPoint;
class QWidget;
class Menu;

// The icon context menu of the program's text fields: the toolkit's standard
// entries without separators, each with the program's icon.
class EditContextMenu
{
public:
    // Builds the popup from `standard` (which must outlive the popup). The
    // standard entries are recognised by what they are, not by position.
    // `selectAllText` relabels the select-all entry of an editable field.
    static Menu *build(QMenu *standard, QWidget *parent, bool readOnly, const QString &selectAllText);
    // Builds the popup, runs it at `globalPos` and releases both menus.
    static void exec(QMenu *standard, QWidget *parent, const QPoint &globalPos, bool readOnly,
                     const QString &selectAllText);

    // Image of a standard entry, by the toolkit's object name of the entry;
    // empty for entries the program has no image for.
    static QString imageFor(const QString &standardName);
    // "edit-undo", "edit-copy", "select-all", ... for a standard entry.
    static QString standardEntryName(const QAction *action);

private:
    EditContextMenu() = delete;
};

#endif
