// The date label with its calendar pop-up and the half-hour time box: the
// date they hold after the pop-up's buttons and keys, month ends and the
// leap day, and typed times in the 24- and 12-hour forms.

#include "core/clock.h"
#include "core/uisettings.h"
#include "dialogs/datewidget.h"
#include "dialogs/timewidget.h"
#include "testenvironment.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QPointer>
#include <QFrame>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTest>

class TstDateTimeWidgets : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings().setValue(QStringLiteral("ui/time-format-24"), true);
    }
    void cleanup()
    {
        Clock::reset();
        QSettings().setValue(QStringLiteral("ui/time-format-24"), true);
    }

    void dateTextHasWeekdayAndShortDate()
    {
        DateWidget widget(QDate(2026, 3, 5));
        const QLocale locale;
        QCOMPARE(widget.text(), locale.toString(QDate(2026, 3, 5), QStringLiteral("ddd ")
                                                                       + locale.dateFormat(QLocale::ShortFormat)));
        QVERIFY(widget.text().startsWith(locale.dayName(4, QLocale::ShortFormat)));
    }

    void tomorrowCrossesMonthAndYearEnds_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("tomorrow");
        QTest::newRow("leap year February") << QDate(2028, 2, 28) << QDate(2028, 2, 29);
        QTest::newRow("leap day") << QDate(2028, 2, 29) << QDate(2028, 3, 1);
        QTest::newRow("common year February") << QDate(2026, 2, 28) << QDate(2026, 3, 1);
        QTest::newRow("30-day month") << QDate(2026, 4, 30) << QDate(2026, 5, 1);
        QTest::newRow("year end") << QDate(2026, 12, 31) << QDate(2027, 1, 1);
    }
    void tomorrowCrossesMonthAndYearEnds()
    {
        QFETCH(QDate, today);
        QFETCH(QDate, tomorrow);
        Clock::setFixedTime(QDateTime(today, QTime(12, 0), Qt::LocalTime));
        DateWidget widget(QDate(2020, 1, 1));
        QTest::mouseClick(&widget, Qt::LeftButton);
        QVERIFY(widget.popup()->isVisible());
        QTest::mouseClick(widget.tomorrowButton(), Qt::LeftButton);
        QCOMPARE(widget.date(), tomorrow);
        QVERIFY(!widget.popup()->isVisible());
        QTest::mouseClick(&widget, Qt::LeftButton);
        QTest::mouseClick(widget.todayButton(), Qt::LeftButton);
        QCOMPARE(widget.date(), today);
    }

    void tomorrowLeavesTheCalendarSelection()
    {
        Clock::setFixedTime(QDateTime(QDate(2026, 6, 10), QTime(9, 0), Qt::LocalTime));
        DateWidget widget(QDate(2026, 6, 1));
        QTest::mouseClick(&widget, Qt::LeftButton);
        QTest::mouseClick(widget.tomorrowButton(), Qt::LeftButton);
        QCOMPARE(widget.date(), QDate(2026, 6, 11));
        QCOMPARE(widget.calendar()->selectedDate(), QDate(2026, 6, 1));
    }

    // After "Tomorrow" the calendar still shows the old date; handing that
    // old date back must still be taken.
    void setDateComparesWithTheStoredDate()
    {
        Clock::setFixedTime(QDateTime(QDate(2026, 6, 10), QTime(9, 0), Qt::LocalTime));
        DateWidget widget(QDate(2026, 6, 10));
        QTest::mouseClick(&widget, Qt::LeftButton);
        QTest::mouseClick(widget.tomorrowButton(), Qt::LeftButton);
        QCOMPARE(widget.date(), QDate(2026, 6, 11));
        const QString tomorrowText = widget.text();
        widget.setDate(QDate(2026, 6, 10));
        QCOMPARE(widget.date(), QDate(2026, 6, 10));
        QVERIFY(widget.text() != tomorrowText);
        QCOMPARE(widget.calendar()->selectedDate(), QDate(2026, 6, 10));
    }

    void arrowKeyTakesTheDateAndCloses()
    {
        DateWidget widget(QDate(2026, 1, 31));
        widget.show();
        QTest::mouseClick(&widget, Qt::LeftButton);
        QVERIFY(widget.popup()->isVisible());
        QWidget *view = widget.calendar()->findChild<QAbstractItemView *>();
        QVERIFY(view);
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(widget.date(), QDate(2026, 2, 1));
        QVERIFY(!widget.popup()->isVisible());
    }

    void todayWhenAlreadyTodayChangesNothing()
    {
        Clock::setFixedTime(QDateTime(QDate(2026, 6, 10), QTime(9, 0), Qt::LocalTime));
        DateWidget widget(QDate(2026, 6, 10));
        const QString text = widget.text();
        QTest::mouseClick(&widget, Qt::LeftButton);
        QTest::mouseClick(widget.todayButton(), Qt::LeftButton);
        QCOMPARE(widget.date(), QDate(2026, 6, 10));
        QCOMPARE(widget.text(), text);
        QVERIFY(!widget.popup()->isVisible());
    }

    void entries_data()
    {
        QTest::addColumn<bool>("format24");
        QTest::addColumn<QStringList>("some");
        QTest::newRow("24 h") << true
                              << QStringList{QStringLiteral("08:00"), QStringLiteral("08:30"), QStringLiteral("23:30"),
                                             QStringLiteral("00:00"), QStringLiteral("07:30")};
        QTest::newRow("12 h") << false
                              << QStringList{QStringLiteral("8:00 am"), QStringLiteral("8:30 am"),
                                             QStringLiteral("11:30 pm"), QStringLiteral("12:00 am"),
                                             QStringLiteral("7:30 am")};
    }
    void entries()
    {
        QFETCH(bool, format24);
        QFETCH(QStringList, some);
        QSettings().setValue(QStringLiteral("ui/time-format-24"), format24);
        TimeWidget widget(QTime(8, 0));
        QCOMPARE(widget.count(), 48);
        QCOMPARE(widget.itemText(0), some[0]);
        QCOMPARE(widget.itemText(1), some[1]);
        QCOMPARE(widget.itemText(31), some[2]);
        QCOMPARE(widget.itemText(32), some[3]);
        QCOMPARE(widget.itemText(47), some[4]);
        QCOMPARE(widget.itemText(8), format24 ? QStringLiteral("12:00") : QStringLiteral("12:00 pm"));
        QCOMPARE(widget.insertPolicy(), QComboBox::NoInsert);
    }

    void typedTimes_data()
    {
        QTest::addColumn<bool>("format24");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("shown");
        QTest::newRow("24 h point") << true << "07.05" << QTime(7, 5) << "07:05";
        QTest::newRow("24 h colon") << true << "19:45" << QTime(19, 45) << "19:45";
        QTest::newRow("24 h blanks") << true << "  10:15 " << QTime(10, 15) << "10:15";
        QTest::newRow("24 h not in list") << true << "00:15" << QTime(0, 15) << "00:15";
        QTest::newRow("24 h letters") << true << "soon" << QTime(0, 0) << "00:00";
        QTest::newRow("24 h out of range") << true << "25:00" << QTime(0, 0) << "00:00";
        QTest::newRow("12 h pm") << false << "7:05 pm" << QTime(19, 5) << "7:05 pm";
        QTest::newRow("12 h point") << false << "7.05 am" << QTime(7, 5) << "7:05 am";
        QTest::newRow("12 h noon") << false << "12:00 pm" << QTime(12, 0) << "12:00 pm";
        QTest::newRow("12 h midnight") << false << "12:00 am" << QTime(0, 0) << "12:00 am";
        QTest::newRow("12 h given 24 h") << false << "19:05" << QTime(0, 0) << "12:00 am";
    }
    void typedTimes()
    {
        QFETCH(bool, format24);
        QFETCH(QString, typed);
        QFETCH(QTime, time);
        QFETCH(QString, shown);
        QSettings().setValue(QStringLiteral("ui/time-format-24"), format24);
        TimeWidget widget(QTime(9, 0));
        widget.show();
        widget.lineEdit()->selectAll();
        QTest::keyClicks(widget.lineEdit(), typed);
        QTest::keyClick(widget.lineEdit(), Qt::Key_Return);
        QCOMPARE(widget.time(), time);
        QCOMPARE(widget.currentText(), shown);
    }

    void nullTimeIsMidnight()
    {
        TimeWidget widget{QTime()};
        QCOMPARE(widget.time(), QTime(0, 0));
        QCOMPARE(widget.currentText(), QStringLiteral("00:00"));
    }

    void settingIsReadAtEveryUse()
    {
        TimeWidget widget(QTime(19, 5));
        QCOMPARE(widget.currentText(), QStringLiteral("19:05"));
        QSettings().setValue(QStringLiteral("ui/time-format-24"), false);
        widget.setTime(QTime(19, 5));
        QCOMPARE(widget.currentText(), QStringLiteral("7:05 pm"));
        QCOMPARE(widget.itemText(0), QStringLiteral("08:00"));
    }

    void popupGoesWithTheWidget()
    {
        QPointer<QFrame> popup;
        {
            DateWidget widget(QDate(2026, 1, 1));
            popup = widget.popup();
        }
        QVERIFY(popup.isNull());
    }
};

PLUMDECK_TEST_MAIN(TstDateTimeWidgets)
#include "tst_datetimewidgets.moc"
