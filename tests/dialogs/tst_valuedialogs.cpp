// The small modal dialogs over values their caller owns: the alarm and note
// dialogs (titles, buttons by permission, Save, Delete, Close), the window
// of due alarms, the remove-subtasks question and the list rename.

#include "core/clock.h"
#include "core/uisettings.h"
#include "dialogs/alarmdialog.h"
#include "dialogs/alarmsoccurreddialog.h"
#include "dialogs/datewidget.h"
#include "dialogs/deletechildrendialog.h"
#include "dialogs/notedialog.h"
#include "dialogs/renamelistdialog.h"
#include "dialogs/timewidget.h"
#include "model/listmodel.h"
#include "model/task.h"
#include "model/tasklist.h"
#include "shell/toolbutton.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {

QStringList buttonTexts(QDialog *dialog)
{
    QStringList texts;
    for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
        if (!button->isHidden() && !button->text().isEmpty() && button->window() == dialog)
            texts << button->text();
    }
    texts.sort();
    return texts;
}

QPushButton *button(QDialog *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
        if (b->text() == text && b->window() == dialog)
            return b;
    }
    return nullptr;
}

QDateTime local(int y, int m, int d, int h, int min)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), Qt::LocalTime);
}

} // namespace

class TstValueDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().setValue(QStringLiteral("ui/time-format-24"), true); }
    void cleanup() { Clock::reset(); }

    void alarmWithoutValue()
    {
        Clock::setFixedTime(local(2026, 5, 4, 15, 0));
        QDateTime alarm;
        AlarmDialog dialog(&alarm);
        dialog.setupButtons(true);
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("Add alarm"));
        QCOMPARE(buttonTexts(&dialog), (QStringList{"Close", "Save"}));
        QCOMPARE(dialog.dateWidget()->date(), QDate(2026, 5, 4));
        QCOMPARE(dialog.timeWidget()->currentText(), QStringLiteral("00:00"));
        QVERIFY(dialog.findChild<DateWidget *>(QStringLiteral("datewidget")));
        QVERIFY(dialog.findChild<TimeWidget *>(QStringLiteral("timewidget")));
    }

    void alarmButtons_data()
    {
        QTest::addColumn<bool>("editable");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("writable") << true << QStringList{"Close", "Delete", "Save"};
        QTest::newRow("read-only") << false << QStringList{"Close"};
    }
    void alarmButtons()
    {
        QFETCH(bool, editable);
        QFETCH(QStringList, texts);
        QDateTime alarm = local(2026, 5, 5, 8, 0).toUTC();
        AlarmDialog dialog(&alarm);
        dialog.setupButtons(editable);
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("Alarm"));
        QCOMPARE(buttonTexts(&dialog), texts);
    }

    void alarmSaveAndDelete()
    {
        const QDateTime preset = local(2026, 5, 5, 8, 0).toUTC();
        QDateTime alarm = preset;
        {
            AlarmDialog dialog(&alarm);
            dialog.setupButtons(true);
            dialog.show();
            QCOMPARE(dialog.timeWidget()->currentText(), QStringLiteral("08:00"));
            QTest::mouseClick(button(&dialog, QStringLiteral("Save")), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(alarm, preset);
            QCOMPARE(alarm.timeSpec(), Qt::UTC);
        }
        {
            AlarmDialog dialog(&alarm);
            dialog.setupButtons(true);
            dialog.show();
            dialog.timeWidget()->lineEdit()->selectAll();
            QTest::keyClicks(dialog.timeWidget()->lineEdit(), QStringLiteral("21:15"));
            QTest::keyClick(dialog.timeWidget()->lineEdit(), Qt::Key_Return);
            QTest::mouseClick(button(&dialog, QStringLiteral("Save")), Qt::LeftButton);
            QCOMPARE(alarm, local(2026, 5, 5, 21, 15).toUTC());
        }
        {
            AlarmDialog dialog(&alarm);
            dialog.setupButtons(true);
            dialog.show();
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QCOMPARE(alarm, local(2026, 5, 5, 21, 15).toUTC());
        }
        AlarmDialog dialog(&alarm);
        dialog.setupButtons(true);
        dialog.show();
        QTest::mouseClick(button(&dialog, QStringLiteral("Delete")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(alarm.isNull());
    }

    void alarmsWindowCollectsBatches()
    {
        const std::unique_ptr<TaskList> list(new TaskList);
        ListModel model(list.get());
        model.taskList()->setName(QStringLiteral("Home"));
        QList<Task *> tasks;
        for (int i = 0; i < 5; ++i) {
            auto *task = new Task;
            task->setTitle(QStringLiteral("Task %1").arg(i));
            task->setAlarmTime(local(2026, 5, 5, 21, 15 + i).toUTC());
            model.taskList()->rootTask()->insertChild(task, i);
            tasks << task;
        }
        AlarmsOccurredDialog dialog;
        QCOMPARE(dialog.table()->columnCount(), 3);
        dialog.addAlarms({AlarmOccurrence(&model, tasks[0]), AlarmOccurrence(&model, tasks[1])});
        dialog.addAlarms({AlarmOccurrence(&model, tasks[2]), AlarmOccurrence(&model, tasks[3])});
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.table()->rowCount(), 4);
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("4 alarms"));
        QSet<QString> titles;
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(dialog.table()->item(row, 0)->text(), QStringLiteral("Home"));
            titles.insert(dialog.table()->item(row, 1)->text());
        }
        QCOMPARE(titles.size(), 4);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.table()->rowCount(), 0);
        dialog.addAlarms({AlarmOccurrence(&model, tasks[4])});
        QCOMPARE(dialog.table()->rowCount(), 1);
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("Alarm"));
        // Local time, by the 24-hour setting like every other time.
        const QString date = QLocale().toString(QDate(2026, 5, 5), QLocale::ShortFormat);
        QCOMPARE(dialog.table()->item(0, 2)->text(), date + QStringLiteral(" 21:19"));
        QSettings().setValue(QStringLiteral("ui/time-format-24"), false);
        dialog.addAlarms({AlarmOccurrence(&model, tasks[4])});
        QCOMPARE(dialog.table()->item(1, 2)->text(), date + QStringLiteral(" 9:19 pm"));
        QVERIFY(!(dialog.table()->item(0, 0)->flags() & Qt::ItemIsEditable)
                || dialog.table()->editTriggers() == QAbstractItemView::NoEditTriggers);
    }

    void noteCancelChangesNothing()
    {
        const TaskNote original(local(2026, 3, 5, 14, 7).toUTC(), QStringLiteral("Buy milk"));
        TaskNote note = original;
        NoteDialog dialog(&note);
        dialog.setupButtons(true);
        dialog.show();
        QCOMPARE(dialog.editor()->toPlainText(), QStringLiteral("Buy milk"));
        dialog.editor()->setFocus();
        QTest::keyClicks(dialog.editor(), QStringLiteral(" and bread"));
        QTest::mouseClick(button(&dialog, QStringLiteral("Close")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(note, original);
    }

    void noteTitleAndButtons()
    {
        TaskNote note(local(2026, 3, 5, 14, 7).toUTC(), QStringLiteral("Buy milk"));
        NoteDialog dialog(&note);
        dialog.setupButtons(true);
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("Mar 5 - 14:07"));
        QSettings().setValue(QStringLiteral("ui/time-format-24"), false);
        QCOMPARE(dialog.title(), QStringLiteral("Mar 5 - 2:07 pm"));
        QCOMPARE(buttonTexts(&dialog), (QStringList{"Close", "Delete", "Save"}));
        TaskNote empty;
        NoteDialog add(&empty);
        add.setupButtons(true);
        QCOMPARE(add.titleLabel()->text(), QStringLiteral("Add note"));
        QCOMPARE(buttonTexts(&add), (QStringList{"Close", "Save"}));
        NoteDialog readOnly(&note);
        readOnly.setupButtons(false);
        QCOMPARE(buttonTexts(&readOnly), QStringList{"Close"});
    }

    void noteSave_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("new note") << false << "  Call Bob \n" << "Call Bob";
        QTest::newRow("changed note keeps its time") << true << "Call Anna" << "Call Anna";
        QTest::newRow("blanks remove the note") << true << " \n\n  " << "";
    }
    void noteSave()
    {
        QFETCH(bool, existing);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        const QDateTime first = local(2026, 3, 5, 14, 7).toUTC();
        const QDateTime now(QDate(2026, 6, 1), QTime(10, 0), Qt::UTC);
        Clock::setFixedTime(now);
        TaskNote note = existing ? TaskNote(first, QStringLiteral("Call Bob")) : TaskNote();
        NoteDialog dialog(&note);
        dialog.setupButtons(true);
        dialog.show();
        dialog.editor()->clear();
        dialog.editor()->insertPlainText(typed);
        QTest::mouseClick(button(&dialog, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        if (text.isEmpty()) {
            QVERIFY(note.isEmpty());
            return;
        }
        QCOMPARE(note.text(), text);
        QCOMPARE(note.addedTime(), existing ? first : now);
    }

    void noteDelete()
    {
        TaskNote note(local(2026, 3, 5, 14, 7).toUTC(), QStringLiteral("Buy milk"));
        NoteDialog dialog(&note);
        dialog.setupButtons(true);
        dialog.show();
        QTest::mouseClick(button(&dialog, QStringLiteral("Delete")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(note.isEmpty());
    }

    void noteTabMovesFocus()
    {
        TaskNote note;
        NoteDialog dialog(&note);
        dialog.setupButtons(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.editor()->setFocus();
        QTest::keyClicks(dialog.editor(), QStringLiteral("a"));
        QTest::keyClick(dialog.editor(), Qt::Key_Tab);
        QVERIFY(!dialog.editor()->toPlainText().contains(QLatin1Char('\t')));
        QVERIFY(!dialog.editor()->hasFocus());
    }

    void removeSubtasksChoices_data()
    {
        QTest::addColumn<bool>("remember");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("stored");
        QTest::newRow("yes") << false << "Yes" << int(QDialog::Accepted) << 0;
        QTest::newRow("no") << false << "No" << int(QDialog::Rejected) << 0;
        QTest::newRow("yes, remembered") << true << "Yes" << int(QDialog::Accepted) << 1;
        QTest::newRow("no, remembered") << true << "No" << int(QDialog::Rejected) << 2;
        QTest::newRow("escape, remembered") << true << "Escape" << int(QDialog::Rejected) << 2;
        QTest::newRow("close, remembered") << true << "Close" << int(QDialog::Rejected) << 2;
    }
    void removeSubtasksChoices()
    {
        QFETCH(bool, remember);
        QFETCH(QString, answer);
        QFETCH(int, result);
        QFETCH(int, stored);
        UISettings::instance()->setRemoveChildrenOnDelete(0);
        DeleteChildrenDialog dialog;
        dialog.show();
        QCOMPARE(dialog.rememberBox()->text(), QStringLiteral("Remember my decision"));
        QCOMPARE(dialog.rememberBox()->objectName(), QStringLiteral("rememberText"));
        QCOMPARE(dialog.windowModality(), Qt::WindowModal);
        if (remember)
            QTest::mouseClick(dialog.rememberBox(), Qt::LeftButton);
        if (answer == QLatin1String("Escape"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else if (answer == QLatin1String("Close"))
            QTest::mouseClick(dialog.closeButton(), Qt::LeftButton);
        else
            QTest::mouseClick(button(&dialog, answer), Qt::LeftButton);
        QCOMPARE(dialog.result(), result);
        QCOMPARE(UISettings::instance()->removeChildrenOnDelete(), stored);
    }

    void renameNewName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::newRow("new") << "Errands" << "Errands";
        QTest::newRow("trimmed") << "  Errands " << "Errands";
        QTest::newRow("same") << "Home" << "";
        QTest::newRow("same with blanks") << " Home  " << "";
        QTest::newRow("blank") << "   " << "";
        QTest::newRow("empty") << "" << "";
    }
    void renameNewName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, name);
        RenameListDialog dialog(QStringLiteral("Home"));
        dialog.show();
        QLineEdit *edit = dialog.findChild<QLineEdit *>();
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.newName(), name);
        QCOMPARE(dialog.newName().isNull(), name.isEmpty());
    }
};

PLUMDECK_TEST_MAIN(TstValueDialogs)
#include "tst_valuedialogs.moc"
