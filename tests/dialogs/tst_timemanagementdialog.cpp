// The calendar dialog over values its caller owns: what it shows in local
// time, what Save and Delete hand back in UTC, the start-before-end rule and
// the alarm box, also on the days the clocks change.

#include "dialogs/datewidget.h"
#include "dialogs/timemanagementdialog.h"
#include "dialogs/timewidget.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

QDateTime local(int y, int m, int d, int h, int min)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), Qt::LocalTime);
}

QStringList buttonTexts(CustomDialog *dialog)
{
    QStringList texts;
    for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
        if (button->parentWidget() && !button->isHidden() && !button->text().isEmpty()
            && button->window() == dialog)
            texts << button->text();
    }
    texts.sort();
    return texts;
}

QPushButton *button(CustomDialog *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
        if (b->text() == text && b->window() == dialog)
            return b;
    }
    return nullptr;
}

// Types a time and leaves the box with Tab (Return would also press Save).
void typeTime(TimeWidget *widget, const QString &text)
{
    QVERIFY(QTest::qWaitForWindowActive(widget->window()));
    widget->lineEdit()->setFocus();
    widget->lineEdit()->selectAll();
    QTest::keyClicks(widget->lineEdit(), text);
    QTest::keyClick(widget->lineEdit(), Qt::Key_Tab);
    QCOMPARE(widget->currentText(), text);
}

} // namespace

class TstTimeManagementDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().setValue(QStringLiteral("ui/time-format-24"), true); }

    void showsLocalTimesAndObjectNames()
    {
        QDateTime start = local(2026, 7, 1, 8, 0).toUTC();
        QDateTime end = local(2026, 7, 1, 9, 30).toUTC();
        QDateTime alarm;
        TimeManagementDialog dialog(&start, &end, &alarm);
        QCOMPARE(dialog.windowTitle().isEmpty() ? dialog.titleLabel()->text() : dialog.windowTitle(),
                 QStringLiteral("Calendar"));
        for (const char *name : {"startdatewidget", "starttimewidget", "enddatewidget", "endtimewidget",
                                 "alarmdatewidget", "alarmtimewidget", "errorLabel", "setAlarmCheckBox"})
            QVERIFY2(dialog.findChild<QWidget *>(QLatin1String(name)), name);
        QCOMPARE(dialog.startTimeWidget()->currentText(), QStringLiteral("08:00"));
        QCOMPARE(dialog.endTimeWidget()->currentText(), QStringLiteral("09:30"));
        // No alarm: the alarm widgets show the start, disabled, unticked.
        QVERIFY(!dialog.alarmCheckBox()->isChecked());
        QVERIFY(!dialog.alarmDateWidget()->isEnabled());
        QCOMPARE(dialog.alarmDateWidget()->date(), QDate(2026, 7, 1));
        QCOMPARE(dialog.alarmTimeWidget()->time(), QTime(8, 0));
        QVERIFY(dialog.errorLabel()->text().isEmpty());
    }

    void twelveHourForm()
    {
        QSettings().setValue(QStringLiteral("ui/time-format-24"), false);
        QDateTime start = local(2026, 7, 1, 20, 30).toUTC();
        QDateTime end = local(2026, 7, 1, 21, 0).toUTC();
        QDateTime alarm;
        TimeManagementDialog dialog(&start, &end, &alarm);
        QCOMPARE(dialog.startTimeWidget()->currentText(), QStringLiteral("8:30 pm"));
        QCOMPARE(dialog.endTimeWidget()->currentText(), QStringLiteral("9:00 pm"));
    }

    void validation_data()
    {
        QTest::addColumn<QString>("endTime");
        QTest::addColumn<bool>("saved");
        QTest::newRow("equal") << "10:00" << false;
        QTest::newRow("a minute before") << "09:59" << false;
        QTest::newRow("a minute after") << "10:01" << true;
    }
    void validation()
    {
        QFETCH(QString, endTime);
        QFETCH(bool, saved);
        const QDateTime oldStart = local(2026, 7, 1, 8, 0).toUTC();
        QDateTime start = oldStart;
        QDateTime end = local(2026, 7, 1, 12, 0).toUTC();
        const QDateTime oldEnd = end;
        QDateTime alarm;
        TimeManagementDialog dialog(&start, &end, &alarm);
        dialog.setupButtons(true);
        dialog.show();
        typeTime(dialog.startTimeWidget(), QStringLiteral("10:00"));
        typeTime(dialog.endTimeWidget(), endTime);
        QTest::mouseClick(button(&dialog, QStringLiteral("Save")), Qt::LeftButton);
        if (saved) {
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(start, local(2026, 7, 1, 10, 0).toUTC());
            QCOMPARE(end, local(2026, 7, 1, 10, 1).toUTC());
            QCOMPARE(start.timeSpec(), Qt::UTC);
            QVERIFY(dialog.errorLabel()->text().isEmpty());
        } else {
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.errorLabel()->text(), QStringLiteral("End time should be later than start time."));
            QCOMPARE(start, oldStart);
            QCOMPARE(end, oldEnd);
        }
    }

    // "Tomorrow" in the alarm's pop-up leaves the calendar on the old day;
    // ticking the box must still copy the start date.
    void tickingTheAlarmCopiesTheStart()
    {
        QDateTime start = local(2026, 7, 1, 8, 0).toUTC();
        QDateTime end = local(2026, 7, 1, 9, 0).toUTC();
        QDateTime alarm = local(2026, 7, 1, 7, 0).toUTC();
        TimeManagementDialog dialog(&start, &end, &alarm);
        dialog.setupButtons(true);
        dialog.show();
        QVERIFY(dialog.alarmCheckBox()->isChecked());
        QTest::mouseClick(dialog.alarmDateWidget(), Qt::LeftButton);
        QTest::mouseClick(dialog.alarmDateWidget()->tomorrowButton(), Qt::LeftButton);
        QVERIFY(dialog.alarmDateWidget()->date() != QDate(2026, 7, 1));
        QTest::mouseClick(dialog.alarmCheckBox(), Qt::LeftButton);
        QVERIFY(!dialog.alarmDateWidget()->isEnabled());
        QTest::mouseClick(dialog.alarmCheckBox(), Qt::LeftButton);
        QVERIFY(dialog.alarmDateWidget()->isEnabled());
        QCOMPARE(dialog.alarmDateWidget()->date(), QDate(2026, 7, 1));
        QCOMPARE(dialog.alarmTimeWidget()->time(), QTime(8, 0));
        QTest::mouseClick(button(&dialog, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(alarm, start);
    }

    // The alarm's date and time fields take input exactly while the alarm
    // box is ticked: as the dialog opens and after each click on the box.
    void alarmFieldsFollowTheBox_data()
    {
        QTest::addColumn<bool>("hasAlarm");
        QTest::addColumn<int>("clicks");
        QTest::newRow("opened with an alarm") << true << 0;
        QTest::newRow("opened without alarm") << false << 0;
        QTest::newRow("alarm unticked") << true << 1;
        QTest::newRow("alarm ticked") << false << 1;
        QTest::newRow("alarm unticked and ticked again") << true << 2;
        QTest::newRow("alarm ticked and unticked again") << false << 2;
    }
    void alarmFieldsFollowTheBox()
    {
        QFETCH(bool, hasAlarm);
        QFETCH(int, clicks);
        QDateTime start = local(2026, 7, 1, 8, 0).toUTC();
        QDateTime end = local(2026, 7, 1, 9, 0).toUTC();
        QDateTime alarm = hasAlarm ? local(2026, 7, 1, 7, 0).toUTC() : QDateTime();
        TimeManagementDialog dialog(&start, &end, &alarm);
        dialog.setupButtons(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(dialog.alarmCheckBox(), Qt::LeftButton);
        const bool ticked = hasAlarm != (clicks % 2 == 1);
        QCOMPARE(dialog.alarmCheckBox()->isChecked(), ticked);
        QCOMPARE(dialog.alarmDateWidget()->isEnabled(), ticked);
        QCOMPARE(dialog.alarmTimeWidget()->isEnabled(), ticked);
        // A disabled field takes no typing either.
        const QString before = dialog.alarmTimeWidget()->currentText();
        QTest::mouseClick(dialog.alarmTimeWidget()->lineEdit(), Qt::LeftButton);
        QTest::keyClicks(dialog.alarmTimeWidget()->lineEdit(), QStringLiteral("1"));
        QCOMPARE(dialog.alarmTimeWidget()->currentText() != before, ticked);
    }

    void untickedAlarmIsRemoved()
    {
        QDateTime start = local(2026, 7, 1, 8, 0).toUTC();
        QDateTime end = local(2026, 7, 1, 9, 0).toUTC();
        QDateTime alarm = local(2026, 7, 1, 7, 0).toUTC();
        TimeManagementDialog dialog(&start, &end, &alarm);
        dialog.setupButtons(true);
        dialog.show();
        QTest::mouseClick(dialog.alarmCheckBox(), Qt::LeftButton);
        QTest::mouseClick(button(&dialog, QStringLiteral("Save")), Qt::LeftButton);
        QVERIFY(alarm.isNull());
        QVERIFY(!start.isNull());
    }

    void deleteClearsAllThree()
    {
        QDateTime start = local(2026, 7, 1, 8, 0).toUTC();
        QDateTime end = local(2026, 7, 1, 7, 0).toUTC(); // invalid, but Delete does not validate
        QDateTime alarm = local(2026, 7, 1, 7, 0).toUTC();
        TimeManagementDialog dialog(&start, &end, &alarm);
        dialog.setupButtons(true);
        dialog.show();
        QTest::mouseClick(button(&dialog, QStringLiteral("Delete")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(start.isNull() && end.isNull() && alarm.isNull());
    }

    void buttons_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("hasStart");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("writable") << true << true << QStringList{"Close", "Delete", "Save"};
        QTest::newRow("writable without start") << true << false << QStringList{"Close", "Save"};
        QTest::newRow("read-only") << false << true << QStringList{"Close"};
    }
    void buttons()
    {
        QFETCH(bool, writable);
        QFETCH(bool, hasStart);
        QFETCH(QStringList, texts);
        QDateTime start = hasStart ? local(2026, 7, 1, 8, 0).toUTC() : QDateTime();
        QDateTime end = local(2026, 7, 1, 9, 0).toUTC();
        QDateTime alarm;
        TimeManagementDialog dialog(&start, &end, &alarm);
        dialog.setupButtons(writable);
        QCOMPARE(buttonTexts(&dialog), texts);
    }

    void closeLeavesTheValues()
    {
        const QDateTime oldStart = local(2026, 7, 1, 8, 0).toUTC();
        QDateTime start = oldStart;
        QDateTime end = local(2026, 7, 1, 9, 0).toUTC();
        QDateTime alarm;
        TimeManagementDialog dialog(&start, &end, &alarm);
        dialog.setupButtons(true);
        dialog.show();
        typeTime(dialog.startTimeWidget(), QStringLiteral("08:30"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(start, oldStart);
    }

    // Berlin: clocks go forward on 29 March 2026 and back on 25 October.
    void changeDaysRoundTrip_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::newRow("after spring change") << QDateTime(QDate(2026, 3, 29), QTime(1, 30), Qt::UTC);
        QTest::newRow("before spring change") << QDateTime(QDate(2026, 3, 29), QTime(0, 30), Qt::UTC);
        QTest::newRow("first of autumn's double hour") << QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC);
        QTest::newRow("after autumn change") << QDateTime(QDate(2026, 10, 25), QTime(2, 30), Qt::UTC);
    }
    void changeDaysRoundTrip()
    {
        QFETCH(QDateTime, start);
        QDateTime s = start;
        QDateTime end = start.addSecs(3 * 3600);
        const QDateTime oldEnd = end;
        QDateTime alarm;
        TimeManagementDialog dialog(&s, &end, &alarm);
        dialog.setupButtons(true);
        dialog.show();
        QCOMPARE(dialog.startTimeWidget()->time(), start.toLocalTime().time());
        QTest::mouseClick(button(&dialog, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(s, start);
        QCOMPARE(end, oldEnd);
    }

    void hourThatDoesNotExistIsRefusedOrMoved()
    {
        // 02:30 local on the spring change day does not exist; whatever the
        // toolkit makes of it, it is a valid UTC moment after the start.
        QDateTime start = local(2026, 3, 29, 1, 0).toUTC();
        QDateTime end = local(2026, 3, 29, 4, 0).toUTC();
        QDateTime alarm;
        TimeManagementDialog dialog(&start, &end, &alarm);
        dialog.setupButtons(true);
        dialog.show();
        typeTime(dialog.endTimeWidget(), QStringLiteral("02:30"));
        QTest::mouseClick(button(&dialog, QStringLiteral("Save")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(end.isValid());
        QVERIFY(end > start);
    }
};

PLUMDECK_TEST_MAIN(TstTimeManagementDialog)
#include "tst_timemanagementdialog.moc"
