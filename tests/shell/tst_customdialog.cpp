#include "shell/customdialog.h"
#include "shell/customwindoweventfilter.h"
#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>

namespace {

// Drags from the middle of the dialog by (dx, dy); returns where it went.
QPoint dragBy(QWidget *dialog, int dx, int dy)
{
    ShellTest::drag(dialog, dialog->rect().center(), QPoint(dx, dy));
    return dialog->pos();
}

QLayoutItem *contentItem(CustomDialog &dialog, int index)
{
    return dialog.findChild<QFrame *>(QStringLiteral("container"))->layout()->itemAt(index);
}

} // namespace

class TstCustomDialog : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        ShellTest::setBlueSkin(false);
    }

    void widgetTreeAndNames()
    {
        CustomDialog dialog(QStringLiteral("Title"), true, true);
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(dialog.windowFlags() & Qt::Window);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Title"));
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("windowtitlelabel"))->text(), QStringLiteral("Title"));
        QVERIFY(dialog.findChild<QFrame *>(QStringLiteral("windowtitlebar")));
        auto *icon = dialog.findChild<ToolButton *>(QStringLiteral("dialogTittleBarIcon"));
        QVERIFY(icon);
        QVERIFY(icon->isHidden());
        dialog.setTitleIcon(QStringLiteral(":/close-dialog.png"));
        QVERIFY(!icon->isHidden());
        QVERIFY(!icon->icon().isNull());
        QVERIFY(dialog.findChild<ToolButton *>(QStringLiteral("windowclosebutton")));
        QVERIFY(dialog.findChild<QWidget *>(QStringLiteral("bottombuttonscontainer")));
        QVERIFY(!dialog.findChild<ToolButton *>(QStringLiteral("windowminimizebutton")));

        // Ok stands left of Cancel, both right of the stretch.
        QHBoxLayout *row = dialog.buttonsLayout();
        QCOMPARE(row->count(), 3);
        QVERIFY(row->itemAt(0)->spacerItem());
        QCOMPARE(row->itemAt(1)->widget(), dialog.okButton());
        QCOMPARE(row->itemAt(2)->widget(), dialog.cancelButton());
        QCOMPARE(dialog.okButton()->objectName(), QStringLiteral("okbutton"));
        QCOMPARE(dialog.okButton()->text(), QStringLiteral("Ok"));
        QCOMPARE(dialog.cancelButton()->objectName(), QStringLiteral("cancelbutton"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("Cancel"));
        QVERIFY(dialog.okButton()->isDefault());
    }

    void constructorsButtons()
    {
        CustomDialog plain(QStringLiteral("t"));
        QVERIFY(!plain.okButton());
        QVERIFY(!plain.cancelButton());
        QVERIFY(plain.moveResizeFilter());

        CustomDialog fixed(QStringLiteral("t"), true, false, false);
        QVERIFY(fixed.okButton());
        QVERIFY(!fixed.cancelButton());
        QVERIFY(!fixed.moveResizeFilter());
        fixed.hideCancelButton(); // no Cancel: nothing happens
        fixed.setOkButtonText(QStringLiteral("Close"));
        QCOMPARE(fixed.okButton()->text(), QStringLiteral("Close"));
    }

    void results_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("ok button") << "ok" << int(QDialog::Accepted);
        QTest::newRow("return key") << "return" << int(QDialog::Accepted);
        QTest::newRow("cancel button") << "cancel" << int(QDialog::Rejected);
        QTest::newRow("escape key") << "escape" << int(QDialog::Rejected);
        QTest::newRow("close button") << "close" << int(QDialog::Rejected);
    }

    void results()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        CustomDialog dialog(QStringLiteral("t"), true, true);
        bool visibleWhenRun = false;
        ShellTest::whenModal([&](QWidget *modal) {
            visibleWhenRun = modal == &dialog && modal->isVisible();
            ShellTest::endDialog(&dialog, how);
        });
        QCOMPARE(dialog.exec(), result);
        QVERIFY(visibleWhenRun); // and modal: whenModal found it
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.windowModality(), Qt::NonModal);
    }

    void deleteOnCloseDialog()
    {
        QPointer<CustomDialog> dialog = new CustomDialog(QStringLiteral("t"), true, true);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        ShellTest::whenModal([&](QWidget *) { QTest::mouseClick(dialog->okButton(), Qt::LeftButton); });
        QCOMPARE(dialog->exec(), int(QDialog::Accepted));
        QVERIFY(dialog.isNull());
    }

    void runsAgainAfterClosing()
    {
        CustomDialog dialog(QStringLiteral("t"), true, true);
        for (int i = 0; i < 2; ++i) {
            ShellTest::whenModal([&](QWidget *modal) {
                QCOMPARE(modal, &dialog);
                QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
            });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        }
        // Shown plainly afterwards it is not modal.
        dialog.show();
        QVERIFY(!dialog.isModal());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void laterContentStandsAbove()
    {
        CustomDialog dialog(QStringLiteral("t"), true, false);
        auto *first = new QVBoxLayout;
        first->addWidget(new QLabel(QStringLiteral("first")));
        auto *second = new QVBoxLayout;
        second->addWidget(new QLabel(QStringLiteral("second")));
        dialog.setContentLayout(first);
        dialog.setContentLayout(second);

        // title bar, second wrapper, first wrapper, buttons
        QLayout *upper = contentItem(dialog, 1)->layout();
        QLayout *lower = contentItem(dialog, 2)->layout();
        QVERIFY(upper && lower);
        QCOMPARE(upper->itemAt(0)->layout(), second);
        QCOMPARE(lower->itemAt(0)->layout(), first);
        QCOMPARE(upper->contentsMargins(), QMargins(10, 10, 10, 10));
        QCOMPARE(upper->spacing(), 10);
        QCOMPARE(dialog.buttonsLayout()->contentsMargins(), QMargins(10, 0, 10, 10));
    }

    void bareContentKeepsMargins()
    {
        CustomDialog dialog(QStringLiteral("t"), true, false);
        auto *bare = new QVBoxLayout;
        dialog.setBareContentLayout(bare);
        QCOMPARE(contentItem(dialog, 1)->layout(), bare);
        QCOMPARE(dialog.buttonsLayout()->contentsMargins(), QMargins(0, 0, 0, 0));
    }

    void placement_data()
    {
        QTest::addColumn<bool>("centre");
        QTest::newRow("centred once") << true;
        QTest::newRow("not placed without centring") << false;
    }

    void placement()
    {
        QFETCH(bool, centre);
        QWidget parent;
        QVERIFY(ShellTest::showExposed(&parent, QRect(200, 150, 400, 300)));
        CustomDialog dialog(QStringLiteral("t"), true, true, &parent);
        dialog.setFixedSize(200, 100);
        dialog.setCenterOnParent(centre);
        dialog.show();
        const QPoint centred = parent.mapToGlobal(QPoint(200, 150)) - QPoint(100, 50);
        if (!centre) {
            // The toolkit's own dialog placement would have centred it.
            QVERIFY(dialog.pos() != centred);
            return;
        }
        QCOMPARE(dialog.pos(), centred);
        dialog.move(10, 20);
        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.pos(), QPoint(10, 20));
    }

    void dockingStopsDrags_data()
    {
        QTest::addColumn<bool>("movable");
        QTest::newRow("movable") << true;
        QTest::newRow("not movable never moves") << false;
    }

    void dockingStopsDrags()
    {
        QFETCH(bool, movable);
        CustomDialog dialog(QStringLiteral("t"), true, true, movable);
        dialog.addResizeGrip();
        QVERIFY(ShellTest::showExposed(&dialog, QRect(100, 100, 300, 200)));
        const QPoint moved = movable ? QPoint(130, 120) : QPoint(100, 100);
        QCOMPARE(dragBy(&dialog, 30, 20), moved);

        dialog.hideFrameControls();
        dialog.hideFrameControls();
        QVERIFY(dialog.frameControlsHidden());
        QVERIFY(dialog.okButton()->isHidden());
        QVERIFY(dialog.cancelButton()->isHidden());
        QVERIFY(dialog.closeButton()->isHidden());
        QVERIFY(dialog.resizeGrip()->isHidden());
        QCOMPARE(dragBy(&dialog, 30, 20), moved);

        dialog.showFrameControls();
        QVERIFY(!dialog.frameControlsHidden());
        QVERIFY(!dialog.okButton()->isHidden());
        QVERIFY(!dialog.closeButton()->isHidden());
        QVERIFY(!dialog.resizeGrip()->isHidden());
        QCOMPARE(dragBy(&dialog, -50, 5), movable ? QPoint(80, 125) : QPoint(100, 100));
    }

    void pressOnButtonStartsNoMove()
    {
        CustomDialog dialog(QStringLiteral("t"), true, true);
        QVERIFY(ShellTest::showExposed(&dialog, QRect(100, 100, 300, 200)));
        QPushButton *cancel = dialog.cancelButton();
        ShellTest::press(cancel, QPoint(5, 5));
        ShellTest::moveTo(cancel, cancel->mapToGlobal(QPoint(45, 45)));
        QCOMPARE(dialog.pos(), QPoint(100, 100));
    }

    void gripFollowsCorner()
    {
        CustomDialog dialog(QStringLiteral("t"), true, true);
        dialog.addResizeGrip();
        dialog.resize(300, 200);
        QVERIFY(ShellTest::showExposed(&dialog));
        QCOMPARE(dialog.resizeGrip()->geometry(), QRect(286, 186, 12, 12));
        dialog.resize(350, 260);
        QCOMPARE(dialog.resizeGrip()->geometry(), QRect(336, 246, 12, 12));
        QVERIFY(!dialog.resizeGrip()->pixmap().isNull());
    }

    void titleBarDoubleClick()
    {
        CustomDialog dialog(QStringLiteral("t"));
        QSignalSpy spy(&dialog, &CustomDialog::titleBarDoubleClicked);
        QVERIFY(ShellTest::showExposed(&dialog));
        auto *bar = dialog.findChild<QFrame *>(QStringLiteral("windowtitlebar"));
        QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(40, 5));
        QCOMPARE(spy.count(), 1);
    }

    void titleButtonsBySkin_data()
    {
        QTest::addColumn<bool>("blue");
        QTest::addColumn<QString>("closeImage");
        QTest::addColumn<QString>("minimizeImage");
        QTest::newRow("green") << false << ":/close-dialog.png" << ":/minimize-dialog.png";
        QTest::newRow("blue") << true << ":/blue_miniclose.png" << ":/blue_miniminimize.png";
    }

    void titleButtonsBySkin()
    {
        QFETCH(bool, blue);
        QFETCH(QString, closeImage);
        QFETCH(QString, minimizeImage);
        ShellTest::setBlueSkin(blue);
        CustomDialog dialog(QStringLiteral("t"));
        dialog.addMinimizeButton();
        auto *minimize = dialog.findChild<ToolButton *>(QStringLiteral("windowminimizebutton"));
        QVERIFY(minimize);
        auto *bar = dialog.findChild<QFrame *>(QStringLiteral("windowtitlebar"));
        // icon, title, stretch, minimise, close
        QCOMPARE(bar->layout()->indexOf(minimize), 3);
        QCOMPARE(bar->layout()->indexOf(dialog.closeButton()), 4);

        const QPixmap close(closeImage);
        QVERIFY(ShellTest::sameImage(dialog.closeButton()->icon().pixmap(close.size()), close));
        const QPixmap mini(minimizeImage);
        QVERIFY(ShellTest::sameImage(minimize->icon().pixmap(mini.size()), mini));
        QVERIFY(ShellTest::showExposed(&dialog));
        QTest::mouseClick(minimize, Qt::LeftButton);
        QVERIFY(dialog.isMinimized());
    }

    void titleIsPlainText()
    {
        CustomDialog dialog(QStringLiteral("<b>List</b>"));
        QCOMPARE(dialog.titleLabel()->textFormat(), Qt::PlainText);
    }

    void sections_data()
    {
        QTest::addColumn<bool>("centred");
        QTest::newRow("left") << false;
        QTest::newRow("centred") << true;
    }

    void sections()
    {
        QFETCH(bool, centred);
        CustomDialog dialog(QStringLiteral("t"));
        auto *content = new QVBoxLayout;
        QVBoxLayout *section = centred ? dialog.createCenteredSection(content, QStringLiteral("General"))
                                       : dialog.createSection(content, QStringLiteral("General"));
        dialog.setContentLayout(content);
        auto *frame = qobject_cast<QFrame *>(content->itemAt(0)->widget());
        QVERIFY(frame);
        QCOMPARE(frame->objectName(), QStringLiteral("generalSectionFrame"));
        QCOMPARE(frame->layout(), section);
        QLayout *row = section->itemAt(0)->layout();
        auto *label = qobject_cast<QLabel *>(row->itemAt(0)->widget());
        QCOMPARE(label->objectName(), QStringLiteral("generalSectionLabel"));
        QCOMPARE(label->text(), QStringLiteral("General"));
        QCOMPARE(row->count(), centred ? 1 : 2);
        QCOMPARE(bool(label->alignment() & Qt::AlignHCenter), centred);

        QVBoxLayout *bare = dialog.createSectionFrame(content);
        QCOMPARE(content->count(), 2);
        QCOMPARE(bare->count(), 0);
    }
};

PLUMDECK_TEST_MAIN(TstCustomDialog)
#include "tst_customdialog.moc"
