#include "shell/messagedialog.h"
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
        QTest::addColumn<QString>("how"); // "parent deleted": the window that asked goes away
        QTest::addColumn<bool>("answer");
        QTest::newRow("question ok") << true << "ok" << true;
        QTest::newRow("question return") << true << "return" << true;
        QTest::newRow("question cancel") << true << "cancel" << false;
        QTest::newRow("question escape") << true << "escape" << false;
        QTest::newRow("question close button") << true << "close" << false;
        QTest::newRow("information ok") << false << "ok" << false;
        QTest::newRow("information close button") << false << "close" << false;
        // Deleted by an update under the dialog: no answer, and the dialog
        // goes once, with its parent.
        QTest::newRow("question, parent deleted") << true << "parent deleted" << false;
        QTest::newRow("information, parent deleted") << false << "parent deleted" << false;
    }

    void endings()
    {
        QFETCH(bool, question);
        QFETCH(QString, how);
        QFETCH(bool, answer);
        QPointer<QWidget> owner = new QWidget;
        QVERIFY(ShellTest::showExposed(owner));
        QPointer<QWidget> seen;
        QString shownText;
        int buttons = 0;
        bool ended = false;
        ShellTest::whenModal([&](QWidget *modal) {
            seen = modal;
            auto *dialog = qobject_cast<MessageDialog *>(modal);
            QVERIFY(dialog);
            shownText = dialog->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
            buttons = int(dialog->findChildren<QPushButton *>().size());
            if (how == QLatin1String("parent deleted"))
                delete owner.data();
            else
                ShellTest::endDialog(dialog, how);
            ended = seen.isNull() || !dialog->isVisible();
        });
        const QString title = QStringLiteral("Remove list");
        if (question)
            QCOMPARE(MessageDialog::question(title, QStringLiteral("Sure?"), owner), answer);
        else
            MessageDialog::information(title, QStringLiteral("Sure?"), owner);
        QCOMPARE(shownText, QStringLiteral("Sure?"));
        QCOMPARE(buttons, question ? 2 : 1);
        QVERIFY(ended);
        QVERIFY(seen.isNull()); // destroyed before the call returned
        delete owner.data();
    }

    void textIsPlainAndWrapped()
    {
        const QString text = QStringLiteral("Are you sure you want to delete the list \"<b>Groceries</b> <img src=x>\"?")
                             + QStringLiteral(" word").repeated(40);
        QWidget parent;
        QVERIFY(ShellTest::showExposed(&parent, QRect(120, 80, 500, 400)));
        MessageDialog dialog(QStringLiteral("t"), text, true, &parent);
        dialog.resize(260, 160);
        QVERIFY(ShellTest::showExposed(&dialog));
        auto *label = dialog.findChild<QLabel *>(QStringLiteral("textlabel"));
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->width() < label->fontMetrics().horizontalAdvance(text));
        QVERIFY(label->height() >= 2 * label->fontMetrics().height());
        // Centred on its parent.
        QCOMPARE(dialog.pos(), parent.mapToGlobal(QPoint(250, 200)) - QPoint(130, 80));
    }
};

PLUMDECK_TEST_MAIN(TstMessageDialog)
#include "tst_messagedialog.moc"
