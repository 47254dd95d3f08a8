// The shortcuts box: its fixed table, laid out in sections, and the keys the
// program's own commands really bind.

#include "model/modelscontainer.h"
#include "shell/keysdialog.h"
#include "shell/launchhelpaction.h"
#include "shell/showkeysdialogaction.h"
#include "shell/showsettingsaction.h"
#include "shelltest.h"
#include "testenvironment.h"
#include "testpages.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// Every row as "description: key[, second key]", in table order.
QStringList rows(KeysDialog &dialog)
{
    QStringList result;
    for (QLabel *name : dialog.findChildren<QLabel *>(QStringLiteral("shortcutNameLabel"))) {
        QGridLayout *row = nullptr;
        for (QGridLayout *grid : dialog.findChildren<QGridLayout *>()) {
            if (grid->indexOf(name) >= 0)
                row = grid;
        }
        if (!row)
            return {};
        QStringList keys;
        for (int line = 0; line < row->rowCount(); ++line) {
            QLayoutItem *item = row->itemAtPosition(line, 2);
            auto *key = item ? qobject_cast<QLabel *>(item->widget()) : nullptr;
            if (!key)
                continue;
            if (key->objectName() != QLatin1String("shortcutValueLabel") || !(key->alignment() & Qt::AlignRight))
                return {};
            keys << key->text();
        }
        result << name->text() + QStringLiteral(": ") + keys.join(QStringLiteral(", "));
    }
    return result;
}

QString keysOf(const QAction *action)
{
    QStringList keys;
    for (const QKeySequence &key : action->shortcuts())
        keys << key.toString(QKeySequence::NativeText);
    return keys.join(QStringLiteral(", "));
}

} // namespace

class TstKeysDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void table()
    {
        KeysDialog dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("appdialog"));
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("Shortcuts"));
        QCOMPARE(dialog.okButton()->text(), QStringLiteral("Close"));
        QVERIFY(!dialog.cancelButton() || dialog.cancelButton()->isHidden());
        QStringList sections;
        for (QLabel *label : dialog.findChildren<QLabel *>(QStringLiteral("generalSectionLabel")))
            sections << label->text();
        QCOMPARE(sections, QStringList({"Application", "Sync", "Task management", "List Management"}));
        QCOMPARE(
            dialog.findChild<QLabel *>(QStringLiteral("welcomeLabel"))->text(),
            QStringLiteral("Welcopme to the Plumdeck shortcuts help box.Here are some helpfull shortcuts that will "
                           "help you to make the most of Plumdeck!"));
        QCOMPARE(rows(dialog), QStringList({"Show Shortcuts: Ctrl+?, Ctrl+/",
                                            "Show Preferences: F12, Ctrl+Shift+P",
                                            "Show Help: F1",
                                            "Sync: F5",
                                            "Sync Contacts: F5",
                                            "Show task info: Ctrl+I",
                                            "Check/uncheck task: Space",
                                            "Move task up: Ctrl+Up",
                                            "Move task down: Ctrl+Down",
                                            "Indent task: Tab",
                                            "Outdent task: Shift+Tab",
                                            "Set alarm: Ctrl+Shift+A",
                                            "Add new note: Ctrl+Shift+N",
                                            "Undo: Ctrl+Z",
                                            "Redo: Ctrl+Y, Ctrl+Shift+Z",
                                            "Copy task: Ctrl+C",
                                            "Paste task: Ctrl+V",
                                            "Hide/Show searchbar: Ctrl+F",
                                            "Show list manager: Ctrl+L",
                                            "Add List: Ctrl+T",
                                            "Remove list: Ctrl+W, Ctrl+F4",
                                            "Rename list: Ctrl+F2",
                                            "Switch to next list: Ctrl+Tab"}));
        // Every row shows its icon.
        int icons = 0;
        for (QLabel *label : dialog.findChildren<QLabel *>()) {
            if (label->objectName().isEmpty() && !label->pixmap().isNull())
                ++icons;
        }
        QCOMPARE(icons, 23);
    }

    // The application's rows say what the main window's commands bind.
    void applicationRowsMatchTheLiveCommands()
    {
        TestPages<> pages;
        pages.install();
        ModelsContainer models;
        MainWindow window(&models, nullptr);
        QString shortcuts, settings;
        for (QAction *action : window.ownActions()) {
            if (qobject_cast<ShowKeysDialogAction *>(action))
                shortcuts = keysOf(action);
            if (qobject_cast<ShowSettingsAction *>(action))
                settings = keysOf(action);
        }
        const QStringList shown = rows(*window.keysDialog());
        QCOMPARE(shown.at(0), QStringLiteral("Show Shortcuts: ") + shortcuts);
        QCOMPARE(shown.at(1), QStringLiteral("Show Preferences: ") + settings);
        QCOMPARE(shown.at(2), QStringLiteral("Show Help: ") + keysOf(window.helpAction()));
    }

    // Ctrl+/ shows the one box; closing only hides it, and it comes back
    // where the user left it.
    void shownAgainWhereLeft()
    {
        TestPages<> pages;
        pages.install();
        ModelsContainer models;
        MainWindow window(&models, nullptr);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        KeysDialog *dialog = window.keysDialog();
        QTest::keyClick(&window, Qt::Key_Slash, Qt::ControlModifier);
        QTRY_VERIFY(dialog->isVisible());
        dialog->move(40, 50);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        window.showKeysDialog();
        QVERIFY(dialog->isVisible());
        QCOMPARE(window.keysDialog(), dialog);
        QCOMPARE(dialog->pos(), QPoint(40, 50));
        dialog->hide();
    }
};

PLUMDECK_TEST_MAIN(TstKeysDialog)
#include "tst_keysdialog.moc"
