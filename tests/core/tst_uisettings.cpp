#include "core/uisettings.h"
#include "testenvironment.h"

#include <QSettings>

#include <functional>

namespace {

using BoolGetter = std::function<bool()>;
using IntGetter = std::function<int()>;

} // namespace

Q_DECLARE_METATYPE(BoolGetter)
Q_DECLARE_METATYPE(IntGetter)

class TstUISettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { QSettings().clear(); }

    void boolDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<BoolGetter>("getter");
        QTest::addColumn<bool>("defaultValue");
        UISettings *s = UISettings::instance();
        auto row = [](const char *key, BoolGetter g, bool d) {
            QTest::newRow(key) << QString::fromLatin1(key) << g << d;
        };
        row("ui/start-with-window-open", [s] { return s->startWithWindowOpen(); }, true);
        row("ui/run-in-system-tray", [s] { return s->runInSystemTray(); }, true);
        row("ui/auto-create-new-tasks", [s] { return s->autoCreateNewTasks(); }, true);
        row("ui/delete-note-when-move", [s] { return s->deleteNoteWhenMove(); }, true);
        row("ui/move-to-top", [s] { return s->moveToTop(); }, true);
        row("ui/default-indent-group-tasks", [s] { return s->defaultIndentGroupTasks(); }, true);
        row("ui/enable-list-autosync", [s] { return s->enableListAutosync(); }, false);
        row("ui/show-animations", [s] { return s->showAnimations(); }, true);
        row("ui/show-task-search-bar-by-default", [s] { return s->showTaskSearchBarByDefault(); }, false);
        row("ui/show-loading-feedback", [s] { return s->showLoadingFeedback(); }, false);
        row("ui/show-sync-feedback", [s] { return s->showSyncFeedback(); }, false);
        row("ui/line-out-completed-tasks", [s] { return s->lineOutCompletedTasks(); }, true);
        row("ui/gray-out-completed-tasks", [s] { return s->grayOutCompletedTasks(); }, true);
        row("ui/task-font-bold", [s] { return s->taskFontBold(); }, true);
        row("ui/time-format-24", [s] { return s->timeFormat24(); }, true);
    }

    // Each getter: its default on an empty store, and a value written by any
    // other settings object seen at once (nothing is cached).
    void boolDefaults()
    {
        QFETCH(QString, key);
        QFETCH(BoolGetter, getter);
        QFETCH(bool, defaultValue);
        QCOMPARE(getter(), defaultValue);
        QSettings().setValue(key, !defaultValue);
        QCOMPARE(getter(), !defaultValue);
        QSettings().setValue(key, defaultValue);
        QCOMPARE(getter(), defaultValue);
    }

    void intDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<IntGetter>("getter");
        QTest::addColumn<int>("defaultValue");
        UISettings *s = UISettings::instance();
        QTest::newRow("remove-children") << "ui/remove-children-on-delete"
                                         << IntGetter([s] { return s->removeChildrenOnDelete(); }) << 0;
        QTest::newRow("lists-ui-mode") << "ui/lists-ui-mode" << IntGetter([s] { return s->listsUiMode(); }) << 0;
        QTest::newRow("nextSkin") << "ui/nextSkin" << IntGetter([s] { return s->nextSkin(); }) << 0;
        QTest::newRow("skin") << "ui/skin" << IntGetter([s] { return s->skin(); }) << 0;
    }

    void intDefaults()
    {
        QFETCH(QString, key);
        QFETCH(IntGetter, getter);
        QFETCH(int, defaultValue);
        QCOMPARE(getter(), defaultValue);
        QSettings().setValue(key, 2);
        QCOMPARE(getter(), 2);
        QSettings().setValue(key, QStringLiteral("garbage"));
        QCOMPARE(getter(), 0);
    }

    void setters()
    {
        UISettings *s = UISettings::instance();
        s->setRemoveChildrenOnDelete(UISettings::KeepChildren);
        s->setListsUiMode(2);
        s->setDefaultImportExportDir(QStringLiteral("/tmp/backups"));
        s->setMoveToTop(false);
        s->setTaskFontBold(false);
        QSettings settings;
        QCOMPARE(settings.value("ui/remove-children-on-delete").toInt(), 2);
        QCOMPARE(settings.value("ui/lists-ui-mode").toInt(), 2);
        QCOMPARE(settings.value("ui/default-import-export-dir").toString(), QStringLiteral("/tmp/backups"));
        QCOMPARE(settings.value("ui/move-to-top").toBool(), false);
        QCOMPARE(settings.value("ui/task-font-bold").toBool(), false);
        // Read back through its key, unlike the other getters.
        QCOMPARE(s->defaultImportExportDir(), QStringLiteral("/tmp/backups"));
    }

    void importExportDirNullWhenNeverStored()
    {
        QVERIFY(UISettings::instance()->defaultImportExportDir().isNull());
    }

    void skins_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("blue");
        QTest::addColumn<QString>("path");
        QTest::newRow("absent") << QVariant() << false << ":/default.css";
        QTest::newRow("green") << QVariant(0) << false << ":/default.css";
        QTest::newRow("blue") << QVariant(1) << true << ":/BlueStyle.css";
        QTest::newRow("no such skin") << QVariant(5) << false << ":/default.css";
        QTest::newRow("text") << QVariant(QStringLiteral("blue")) << false << ":/default.css";
    }

    void skins()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, blue);
        QFETCH(QString, path);
        if (stored.isValid())
            QSettings().setValue("ui/skin", stored);
        UISettings *s = UISettings::instance();
        QCOMPARE(s->isBlueSkin(), blue);
        QCOMPARE(s->styleSheetPath(), path);
        QVERIFY(QFile::exists(path));
    }

    void nextSkinWaitsForRestart()
    {
        UISettings *s = UISettings::instance();
        s->setNextSkin(UISettings::blueSkin());
        QCOMPARE(s->nextSkin(), 1);
        QCOMPARE(s->skin(), UISettings::defaultSkin());
        QVERIFY(!s->isBlueSkin());
        QCOMPARE(s->styleSheetPath(), QStringLiteral(":/default.css"));
        // What start-up does before installing the sheet.
        s->setSkin(s->nextSkin());
        QVERIFY(s->isBlueSkin());
        QCOMPARE(s->styleSheetPath(), QStringLiteral(":/BlueStyle.css"));
    }
};

PLUMDECK_TEST_MAIN(TstUISettings)
#include "tst_uisettings.moc"
