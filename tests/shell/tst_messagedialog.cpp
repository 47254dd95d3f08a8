#include "shell/messagedialog.h"
#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QLabel>
#include <QPushButton>

class TstMessageDialog : public QObject
{
    Q_OBJECT
private slots:
    void endings_data()
    {
        QTest::addColumn<bool>("question");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("answer");
        QTest::newRow("question ok") << true << "ok" << true;
        QTest::newRow("question return") << true << "return" << true;
        QTest::newRow("question cancel") << true << "cancel" << false;
        QTest::newRow("question escape") << true << "escape" << false;
        QTest::newRow("question close button") << true << "close" << false;
        QTest::newRow("information ok") << false << "ok" << false;
        QTest::newRow("information close button") << false << "close" << false;
    }

    void endings()
    {
        QFETCH(bool, question);
        QFETCH(QString, how);
        QFETCH(bool, answer);
        QPointer<QWidget> seen;
        QString shownText;
        int buttons = 0;
        bool hasCancel = false;
        bool ended = false;
        ShellTest::whenModal([&](QWidget *modal) {
            seen = modal;
            auto *dialog = qobject_cast<MessageDialog *>(modal);
            QVERIFY(dialog);
            shownText = dialog->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
            buttons = int(dialog->findChildren<QPushButton *>().size());
            hasCancel = dialog->cancelButton() != nullptr;
            ShellTest::endDialog(dialog, how);
            ended = !dialog->isVisible();
        });
        if (question)
            QCOMPARE(MessageDialog::question(QStringLiteral("Remove list"), QStringLiteral("Sure?")), answer);
        else
            MessageDialog::information(QStringLiteral("Done"), QStringLiteral("Sure?"));
        QCOMPARE(shownText, QStringLiteral("Sure?"));
        QCOMPARE(buttons, question ? 2 : 1);
        QCOMPARE(hasCancel, question);
        QVERIFY(ended);
        QVERIFY(seen.isNull()); // destroyed before the call returned
    }

    void parentDeletedWhileAsking_data()
    {
        QTest::addColumn<bool>("question");
        QTest::newRow("question") << true;
        QTest::newRow("information") << false;
    }

    void parentDeletedWhileAsking()
    {
        // The window that asked goes away under the dialog (deleted by an
        // update): no answer, and the dialog is deleted once, with it.
        QFETCH(bool, question);
        auto *owner = new QWidget;
        QVERIFY(ShellTest::showExposed(owner));
        QPointer<QWidget> seen;
        bool asked = false;
        ShellTest::whenModal([&](QWidget *modal) {
            seen = modal;
            asked = qobject_cast<MessageDialog *>(modal) != nullptr;
            delete owner;
        });
        if (question)
            QVERIFY(!MessageDialog::question(QStringLiteral("Remove list"), QStringLiteral("Sure?"), owner));
        else
            MessageDialog::information(QStringLiteral("Removed"), QStringLiteral("Done."), owner);
        QVERIFY(asked);
        QVERIFY(seen.isNull());
    }

    void textIsPlainAndWrapped()
    {
        const QString text = QStringLiteral("Are you sure you want to delete the list \"<b>Groceries</b> <img src=x>\"?")
            + QStringLiteral(" word").repeated(40);
        MessageDialog dialog(QStringLiteral("t"), text, true);
        dialog.resize(260, 160);
        QVERIFY(ShellTest::showExposed(&dialog));
        auto *label = dialog.findChild<QLabel *>(QStringLiteral("textlabel"));
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->wordWrap());
        QVERIFY(label->width() < label->fontMetrics().horizontalAdvance(text));
        QVERIFY(label->height() >= 2 * label->fontMetrics().height());
    }

    void centredOnParent()
    {
        QWidget parent;
        QVERIFY(ShellTest::showExposed(&parent, QRect(120, 80, 500, 400)));
        MessageDialog dialog(QStringLiteral("t"), QStringLiteral("text"), false, &parent);
        dialog.show();
        const QPoint centre = parent.mapToGlobal(QPoint(250, 200));
        QCOMPARE(dialog.pos(), centre - QPoint(dialog.width() / 2, dialog.height() / 2));
    }
};

PLUMDECK_TEST_MAIN(TstMessageDialog)
#include "tst_messagedialog.moc"
