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
    void initTestCase()
    {
        ShellTest::useProgramSettings();
    }

    void question_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("answer");
        QTest::newRow("ok") << "ok" << true;
        QTest::newRow("return") << "return" << true;
        QTest::newRow("cancel") << "cancel" << false;
        QTest::newRow("escape") << "escape" << false;
        QTest::newRow("close button") << "close" << false;
    }

    void question()
    {
        QFETCH(QString, how);
        QFETCH(bool, answer);
        QPointer<QWidget> seen;
        QString shownText;
        ShellTest::whenModal([&](QWidget *modal) {
            seen = modal;
            auto *dialog = qobject_cast<MessageDialog *>(modal);
            QVERIFY(dialog);
            shownText = dialog->findChild<QLabel *>(QStringLiteral("textlabel"))->text();
            QVERIFY(dialog->cancelButton());
            if (how == QLatin1String("ok"))
                QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            else if (how == QLatin1String("cancel"))
                QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
            else if (how == QLatin1String("close"))
                QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
            else if (how == QLatin1String("return"))
                QTest::keyClick(dialog, Qt::Key_Return);
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QCOMPARE(MessageDialog::question(QStringLiteral("Remove list"), QStringLiteral("Sure?")), answer);
        QCOMPARE(shownText, QStringLiteral("Sure?"));
        QVERIFY(seen.isNull()); // destroyed before question returned
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
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner));
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

    void informationHasOnlyOk_data()
    {
        QTest::addColumn<bool>("viaClose");
        QTest::newRow("ok") << false;
        QTest::newRow("close button") << true;
    }

    void informationHasOnlyOk()
    {
        QFETCH(bool, viaClose);
        bool onlyOk = false;
        bool ended = false;
        QPointer<QWidget> seen;
        ShellTest::whenModal([&](QWidget *modal) {
            seen = modal;
            auto *dialog = qobject_cast<MessageDialog *>(modal);
            QVERIFY(dialog);
            onlyOk = dialog->okButton() && !dialog->cancelButton()
                && dialog->findChildren<QPushButton *>().size() == 1;
            QTest::mouseClick(viaClose ? static_cast<QAbstractButton *>(dialog->closeButton())
                                       : dialog->okButton(),
                              Qt::LeftButton);
            ended = !dialog->isVisible();
        });
        MessageDialog::information(QStringLiteral("Done"), QStringLiteral("Exported."));
        QVERIFY(onlyOk);
        QVERIFY(ended);
        QVERIFY(seen.isNull());
    }

    void textIsPlainAndWrapped()
    {
        const QString text = QStringLiteral("Are you sure you want to delete the list \"<b>Groceries</b> <img src=x>\"?");
        MessageDialog dialog(QStringLiteral("t"), text, true);
        auto *label = dialog.findChild<QLabel *>(QStringLiteral("textlabel"));
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->wordWrap());
    }

    void longTextWraps()
    {
        QString text;
        for (int i = 0; i < 40; ++i)
            text += QStringLiteral("word ");
        MessageDialog dialog(QStringLiteral("t"), text, false);
        dialog.resize(260, 160);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *label = dialog.findChild<QLabel *>(QStringLiteral("textlabel"));
        QVERIFY(label->width() < label->fontMetrics().horizontalAdvance(text));
        QVERIFY(label->height() >= 2 * label->fontMetrics().height());
    }

    void centredOnParent()
    {
        QWidget parent;
        parent.setGeometry(120, 80, 500, 400);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        MessageDialog dialog(QStringLiteral("t"), QStringLiteral("text"), false, &parent);
        dialog.show();
        const QPoint centre = parent.mapToGlobal(QPoint(250, 200));
        QCOMPARE(dialog.pos(), centre - QPoint(dialog.width() / 2, dialog.height() / 2));
    }
};

PLUMDECK_TEST_MAIN(TstMessageDialog)
#include "tst_messagedialog.moc"
