#include "core/uisettings.h"

#include <QSettings>

namespace {

bool readBool(const char *key, bool defaultValue)
{
    return QSettings().value(QLatin1String(key), defaultValue).toBool();
}

int readInt(const char *key, int defaultValue)
{
    return QSettings().value(QLatin1String(key), defaultValue).toInt();
}

void write(const char *key, const QVariant &value)
{
    QSettings().setValue(QLatin1String(key), value);
}

} // namespace

UISettings *UISettings::instance()
{
    static UISettings *settings = new UISettings;
    return settings;
}

bool UISettings::startWithWindowOpen() const { return readBool("ui/start-with-window-open", true); }
bool UISettings::runInSystemTray() const { return readBool("ui/run-in-system-tray", true); }
bool UISettings::autoCreateNewTasks() const { return readBool("ui/auto-create-new-tasks", true); }
bool UISettings::deleteNoteWhenMove() const { return readBool("ui/delete-note-when-move", true); }

int UISettings::removeChildrenOnDelete() const
{
    return readInt("ui/remove-children-on-delete", AskRemoveChildren);
}

void UISettings::setRemoveChildrenOnDelete(int mode) { write("ui/remove-children-on-delete", mode); }

int UISettings::listsUiMode() const { return readInt("ui/lists-ui-mode", 0); }
void UISettings::setListsUiMode(int mode) { write("ui/lists-ui-mode", mode); }

QString UISettings::defaultImportExportDir() const
{
    return QSettings().value(QStringLiteral("ui/default-import-export-dir")).toString();
}

void UISettings::setDefaultImportExportDir(const QString &dir)
{
    write("ui/default-import-export-dir", dir);
}

int UISettings::nextSkin() const { return readInt("ui/nextSkin", defaultSkin()); }
void UISettings::setNextSkin(int skin) { write("ui/nextSkin", skin); }
int UISettings::skin() const { return readInt("ui/skin", defaultSkin()); }
void UISettings::setSkin(int skin) { write("ui/skin", skin); }

bool UISettings::moveToTop() const { return readBool("ui/move-to-top", true); }
void UISettings::setMoveToTop(bool top) { write("ui/move-to-top", top); }

bool UISettings::defaultIndentGroupTasks() const { return readBool("ui/default-indent-group-tasks", true); }
bool UISettings::enableListAutosync() const { return readBool("ui/enable-list-autosync", false); }
bool UISettings::showAnimations() const { return readBool("ui/show-animations", true); }
bool UISettings::showTaskSearchBarByDefault() const { return readBool("ui/show-task-search-bar-by-default", false); }
bool UISettings::showLoadingFeedback() const { return readBool("ui/show-loading-feedback", false); }
bool UISettings::showSyncFeedback() const { return readBool("ui/show-sync-feedback", false); }
bool UISettings::lineOutCompletedTasks() const { return readBool("ui/line-out-completed-tasks", true); }
bool UISettings::grayOutCompletedTasks() const { return readBool("ui/gray-out-completed-tasks", true); }

bool UISettings::taskFontBold() const { return readBool("ui/task-font-bold", true); }
void UISettings::setTaskFontBold(bool bold) { write("ui/task-font-bold", bold); }

bool UISettings::timeFormat24() const { return readBool("ui/time-format-24", true); }

bool UISettings::isBlueSkin() const
{
    return skin() == blueSkin();
}

QString UISettings::styleSheetPath() const
{
    return isBlueSkin() ? QStringLiteral(":/BlueStyle.css") : QStringLiteral(":/default.css");
}
