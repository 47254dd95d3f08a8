#include "core/uisettings.h"
#include "testenvironment.h"

#include <QSettings>

#include <functional>

using Getter = std::function<int()>;
using Setter = std::function<void(int)>;
Q_DECLARE_METATYPE(Getter)
Q_DECLARE_METATYPE(Setter)

class TstUISettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { QSettings().clear(); }

    // What an absent key means is what every stored profile relies on.
    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<Getter>("get");
        QTest::addColumn<int>("defaultValue");
        QTest::addColumn<Setter>("set");
        UISettings *s = UISettings::instance();
        auto row = [](const char *key, Getter get, int defaultValue, Setter set = {}) {
            QTest::newRow(key) << QString::fromLatin1(key) << get << defaultValue << set;
        };
        row("ui/start-with-window-open", [s] { return s->startWithWindowOpen(); }, true);
        row("ui/run-in-system-tray", [s] { return s->runInSystemTray(); }, true);
        row("ui/auto-create-new-tasks", [s] { return s->autoCreateNewTasks(); }, true);
        row("ui/delete-note-when-move", [s] { return s->deleteNoteWhenMove(); }, true);
        row("ui/move-to-top", [s] { return s->moveToTop(); }, true, [s](int v) { s->setMoveToTop(v); });
        row("ui/default-indent-group-tasks", [s] { return s->defaultIndentGroupTasks(); }, true);
        row("ui/enable-list-autosync", [s] { return s->enableListAutosync(); }, false);
        row("ui/show-animations", [s] { return s->showAnimations(); }, true);
        row("ui/show-task-search-bar-by-default", [s] { return s->showTaskSearchBarByDefault(); }, false);
        row("ui/show-loading-feedback", [s] { return s->showLoadingFeedback(); }, false);
        row("ui/show-sync-feedback", [s] { return s->showSyncFeedback(); }, false);
        row("ui/line-out-completed-tasks", [s] { return s->lineOutCompletedTasks(); }, true);
        row("ui/gray-out-completed-tasks", [s] { return s->grayOutCompletedTasks(); }, true);
        row("ui/task-font-bold", [s] { return s->taskFontBold(); }, true, [s](int v) { s->setTaskFontBold(v); });
        row("ui/time-format-24", [s] { return s->timeFormat24(); }, true);
        row("ui/remove-children-on-delete", [s] { return s->removeChildrenOnDelete(); }, 0,
            [s](int v) { s->setRemoveChildrenOnDelete(v); });
        row("ui/lists-ui-mode", [s] { return s->listsUiMode(); }, 0, [s](int v) { s->setListsUiMode(v); });
        row("ui/nextSkin", [s] { return s->nextSkin(); }, 0, [s](int v) { s->setNextSkin(v); });
        row("ui/skin", [s] { return s->skin(); }, 0, [s](int v) { s->setSkin(v); });
    }

    // The default on an empty store; a value written elsewhere is seen at
    // once (nothing is cached); the setter writes the same key.
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(Getter, get);
        QFETCH(int, defaultValue);
        QFETCH(Setter, set);
        const int other = defaultValue ? 0 : 1; // a bool or an int
        QCOMPARE(get(), defaultValue);
        QSettings().setValue(key, other);
        QCOMPARE(get(), other);
        if (set) {
            set(defaultValue);
            QCOMPARE(QSettings().value(key).toInt(), defaultValue);
            QCOMPARE(get(), defaultValue);
        }
    }

    void importExportDirNullWhenNeverStored()
    {
        UISettings *s = UISettings::instance();
        QVERIFY(s->defaultImportExportDir().isNull());
        s->setDefaultImportExportDir(QStringLiteral("/tmp/backups"));
        QCOMPARE(QSettings().value("ui/default-import-export-dir").toString(), QStringLiteral("/tmp/backups"));
        QCOMPARE(s->defaultImportExportDir(), QStringLiteral("/tmp/backups"));
    }

    void skins_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("blue");
        QTest::newRow("absent") << QVariant() << false;
        QTest::newRow("green") << QVariant(0) << false;
        QTest::newRow("blue") << QVariant(1) << true;
        QTest::newRow("no such skin") << QVariant(5) << false;
        QTest::newRow("text") << QVariant(QStringLiteral("blue")) << false;
    }

    void skins()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, blue);
        if (stored.isValid())
            QSettings().setValue("ui/skin", stored);
        UISettings *s = UISettings::instance();
        QCOMPARE(s->isBlueSkin(), blue);
        QCOMPARE(s->styleSheetPath(), blue ? QStringLiteral(":/BlueStyle.css") : QStringLiteral(":/default.css"));
        QVERIFY(QFile::exists(s->styleSheetPath()));
        // The skin chosen in the preferences waits for the next start.
        s->setNextSkin(blue ? UISettings::defaultSkin() : UISettings::blueSkin());
        QCOMPARE(s->isBlueSkin(), blue);
        s->setSkin(s->nextSkin());
        QCOMPARE(s->isBlueSkin(), !blue);
    }
};

PLUMDECK_TEST_MAIN(TstUISettings)
#include "tst_uisettings.moc"
