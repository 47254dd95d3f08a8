#ifndef UISETTINGS_H
#define UISETTINGS_H

#include <QObject>
#include <QString>

// Typed access to the "ui/" preferences. Nothing is cached: every call opens
// the settings store afresh, so a value written elsewhere is seen at once.
class UISettings : public QObject
{
    Q_OBJECT

public:
    enum Skin { Green = 0, Blue = 1 };
    enum RemoveChildrenMode { AskRemoveChildren = 0, RemoveChildren = 1, KeepChildren = 2 };

    static UISettings *instance();

    bool startWithWindowOpen() const;
    bool runInSystemTray() const;
    bool autoCreateNewTasks() const;
    bool deleteNoteWhenMove() const;

    int removeChildrenOnDelete() const;
    void setRemoveChildrenOnDelete(int mode);

    int listsUiMode() const;
    void setListsUiMode(int mode);

    // Null when never stored.
    QString defaultImportExportDir() const;
    void setDefaultImportExportDir(const QString &dir);

    // The skin chosen in the preferences, applied at the next start.
    int nextSkin() const;
    void setNextSkin(int skin);
    // The skin of the running program; written only at start-up.
    int skin() const;
    void setSkin(int skin);

    bool moveToTop() const;
    void setMoveToTop(bool top);

    bool defaultIndentGroupTasks() const;
    bool enableListAutosync() const;
    bool showAnimations() const;
    bool showTaskSearchBarByDefault() const;
    bool showLoadingFeedback() const;
    bool showSyncFeedback() const;
    bool lineOutCompletedTasks() const;
    bool grayOutCompletedTasks() const;

    bool taskFontBold() const;
    void setTaskFontBold(bool bold);

    bool timeFormat24() const;

    static int defaultSkin() { return Green; }
    static int blueSkin() { return Blue; }
    bool isBlueSkin() const;
    QString styleSheetPath() const;

private:
    UISettings() = default;
};

#endif
