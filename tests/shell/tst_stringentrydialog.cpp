#include "shell/customwindoweventfilter.h"
#include "shell/stringentrydialog.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QLabel>
#include <QLineEdit>

class TstStringEntryDialog : public QObject
{
    Q_OBJECT
private slots:
    void answer_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ok trims") << "  Groceries \t" << true << "Groceries";
        QTest::newRow("ok keeps inner blanks") << " Big  list " << true << "Big  list";
        QTest::newRow("ok empty") << "   " << true << "";
        QTest::newRow("cancel keeps initial") << "Other" << false << " Initial ";
    }

    void answer()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accept);
        StringEntryDialog dialog(QStringLiteral("Rename list"), QStringLiteral("<i>Name</i>"), QStringLiteral(" Initial "));
        auto *label = dialog.findChild<QLabel *>(QStringLiteral("label"));
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("edit")), dialog.lineEdit());
        QCOMPARE(dialog.lineEdit()->text(), QStringLiteral(" Initial "));
        QCOMPARE(dialog.focusWidget(), dialog.lineEdit());
        ShellTest::whenModal([&](QWidget *) {
            dialog.lineEdit()->clear();
            dialog.lineEdit()->insert(typed);
            QTest::mouseClick(accept ? dialog.okButton() : dialog.cancelButton(), Qt::LeftButton);
        });
        QCOMPARE(dialog.text(), QStringLiteral(" Initial ")); // not run yet
        dialog.exec();
        QCOMPARE(dialog.lineEdit()->text(), typed);
        QTEST(dialog.text(), "expected");
    }

    void maxLength()
    {
        StringEntryDialog dialog(QStringLiteral("t"), QStringLiteral("l"), QString());
        dialog.setMaxLength(5);
        QTest::keyClicks(dialog.lineEdit(), QStringLiteral("abcdefgh"));
        QCOMPARE(dialog.lineEdit()->text(), QStringLiteral("abcde"));
    }

    void fixedSizeMovesButDoesNotResize()
    {
        StringEntryDialog dialog(QStringLiteral("t"), QStringLiteral("l"), QString());
        QCOMPARE(dialog.size(), QSize(240, 126));
        CustomWindowEventFilter *filter = dialog.moveResizeFilter();
        for (const QPoint &p : {QPoint(0, 0), QPoint(239, 125), QPoint(2, 60), QPoint(120, 124)})
            QCOMPARE(filter->horizontalEdge(p) + filter->verticalEdge(p), 0);
        // A press on its edge moves it instead.
        dialog.move(100, 100);
        QVERIFY(ShellTest::showExposed(&dialog));
        ShellTest::drag(&dialog, QPoint(2, 60), QPoint(-30, 20));
        QCOMPARE(dialog.geometry(), QRect(70, 120, 240, 126));
    }
};

PLUMDECK_TEST_MAIN(TstStringEntryDialog)
#include "tst_stringentrydialog.moc"
