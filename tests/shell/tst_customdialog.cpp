#include "shell/customdialog.h"
#include "shell/toolbutton.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QVBoxLayout>

namespace {

// Drags from the middle of the dialog by `delta`; returns where it went.
QPoint dragBy(QWidget *dialog, const QPoint &delta)
{
    ShellTest::drag(dialog, dialog->rect().center(), delta);
    return dialog->pos();
}

template <typename T = QWidget>
T *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

} // namespace

class TstCustomDialog : public QObject
{
    Q_OBJECT
private slots:
    void init() { ShellTest::setBlueSkin(false); }

    void widgetTree()
    {
        CustomDialog dialog(QStringLiteral("<b>List</b>"), true, true);
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("<b>List</b>"));
        QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("<b>List</b>"));
        QCOMPARE(dialog.titleLabel()->textFormat(), Qt::PlainText);
        auto *icon = child<ToolButton>(&dialog, "dialogTittleBarIcon");
        QVERIFY(icon->isHidden());
        dialog.setTitleIcon(QStringLiteral(":/close-dialog.png"));
        QVERIFY(!icon->isHidden() && !icon->icon().isNull());
        QVERIFY(!child(&dialog, "windowminimizebutton"));
        // Ok stands left of Cancel, both right of the stretch.
        QHBoxLayout *row = dialog.buttonsLayout();
        QCOMPARE(row->count(), 3);
        QVERIFY(row->itemAt(0)->spacerItem());
        QCOMPARE(row->itemAt(1)->widget(), dialog.okButton());
        QCOMPARE(row->itemAt(2)->widget(), dialog.cancelButton());
        QCOMPARE(dialog.okButton()->text() + dialog.cancelButton()->text(), QStringLiteral("OkCancel"));
        QVERIFY(dialog.okButton()->isDefault());

        CustomDialog fixed(QStringLiteral("t"), true, false, false);
        QVERIFY(fixed.okButton() && !fixed.cancelButton() && !fixed.moveResizeFilter());
        fixed.hideCancelButton(); // no Cancel: nothing happens
        fixed.setOkButtonText(QStringLiteral("Close"));
        QCOMPARE(fixed.okButton()->text(), QStringLiteral("Close"));
    }

    void results_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("deleteOnClose");
        QTest::newRow("ok button") << "ok" << int(QDialog::Accepted) << false;
        QTest::newRow("return key") << "return" << int(QDialog::Accepted) << false;
        QTest::newRow("cancel button") << "cancel" << int(QDialog::Rejected) << false;
        QTest::newRow("escape key") << "escape" << int(QDialog::Rejected) << false;
        QTest::newRow("close button") << "close" << int(QDialog::Rejected) << false;
        QTest::newRow("ok, deleted on close") << "ok" << int(QDialog::Accepted) << true;
    }

    // Modal while it runs (whenModal finds it), again after closing; shown
    // plainly afterwards it is not modal.
    void results()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        QFETCH(bool, deleteOnClose);
        QPointer<CustomDialog> dialog = new CustomDialog(QStringLiteral("t"), true, true);
        dialog->setAttribute(Qt::WA_DeleteOnClose, deleteOnClose);
        for (int run = 0; run < (deleteOnClose ? 1 : 2); ++run) {
            bool visibleWhenRun = false;
            ShellTest::whenModal([&](QWidget *modal) {
                visibleWhenRun = modal == dialog.data() && modal->isVisible();
                ShellTest::endDialog(dialog, how);
            });
            QCOMPARE(dialog->exec(), result);
            QVERIFY(visibleWhenRun);
        }
        QCOMPARE(dialog.isNull(), deleteOnClose);
        if (deleteOnClose)
            return;
        QVERIFY(!dialog->isVisible());
        dialog->show();
        QVERIFY(!dialog->isModal());
        QVERIFY(!QApplication::activeModalWidget());
        delete dialog;
    }

    void content_data()
    {
        QTest::addColumn<bool>("bare");
        QTest::newRow("wrapped") << false;
        QTest::newRow("bare") << true;
    }

    // Later content stands above earlier content, between title bar and
    // buttons; wrapped content gets margins, and so do the buttons.
    void content()
    {
        QFETCH(bool, bare);
        CustomDialog dialog(QStringLiteral("t"), true, false);
        auto *first = new QVBoxLayout;
        auto *second = new QVBoxLayout;
        for (QVBoxLayout *l : {first, second}) {
            if (bare)
                dialog.setBareContentLayout(l);
            else
                dialog.setContentLayout(l);
        }
        QLayout *container = child<QFrame>(&dialog, "container")->layout();
        QLayout *upper = container->itemAt(1)->layout();
        QLayout *lower = container->itemAt(2)->layout();
        QCOMPARE(bare ? upper : upper->itemAt(0)->layout(), second);
        QCOMPARE(bare ? lower : lower->itemAt(0)->layout(), first);
        QCOMPARE(container->itemAt(3)->widget(), dialog.buttonsLayout()->parentWidget());
        if (!bare)
            QCOMPARE(upper->contentsMargins(), QMargins(10, 10, 10, 10));
        QCOMPARE(dialog.buttonsLayout()->contentsMargins(), bare ? QMargins() : QMargins(10, 0, 10, 10));
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
        // Without centring, the toolkit's own placement would have centred it.
        QCOMPARE(dialog.pos() == centred, centre);
        dialog.move(10, 20);
        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.pos(), QPoint(10, 20));
    }

    // Centred over a parent near the top of the screen, a tall dialog
    // would put its title bar above the screen; it stays on it.
    void placementKeepsTheTitleBarOnScreen()
    {
        QWidget parent;
        QVERIFY(ShellTest::showExposed(&parent, QRect(0, 0, 400, 300)));
        CustomDialog dialog(QStringLiteral("t"), true, true, &parent);
        dialog.setFixedSize(200, 500);
        dialog.setCenterOnParent(true);
        dialog.show();
        const QRect area = parent.screen()->availableGeometry();
        QVERIFY2(dialog.y() >= area.top(), qPrintable(QString::number(dialog.y())));
        QCOMPARE(dialog.x(), parent.mapToGlobal(QPoint(200, 0)).x() - 100);
    }

    void frameControls_data()
    {
        QTest::addColumn<bool>("movable");
        QTest::newRow("movable") << true;
        QTest::newRow("not movable never moves") << false;
    }

    // The grip follows the corner; docked (frame controls hidden) the
    // dialog hides its buttons and grip and cannot be dragged.
    void frameControls()
    {
        QFETCH(bool, movable);
        CustomDialog dialog(QStringLiteral("t"), true, true, movable);
        dialog.setGeometry(100, 100, 300, 200);
        dialog.addResizeGrip();
        QCOMPARE(dialog.resizeGrip()->geometry(), QRect(286, 186, 12, 12));
        QVERIFY(!dialog.resizeGrip()->pixmap().isNull());
        QVERIFY(ShellTest::showExposed(&dialog));
        const QPoint moved = movable ? QPoint(130, 120) : QPoint(100, 100);
        QCOMPARE(dragBy(&dialog, QPoint(30, 20)), moved);

        const QList<QWidget *> controls{dialog.okButton(), dialog.cancelButton(), dialog.closeButton(),
                                        dialog.resizeGrip()};
        for (bool hidden : {true, true, false}) {
            if (hidden)
                dialog.hideFrameControls();
            else
                dialog.showFrameControls();
            QCOMPARE(dialog.frameControlsHidden(), hidden);
            for (QWidget *w : controls)
                QCOMPARE(w->isHidden(), hidden);
            QCOMPARE(dragBy(&dialog, QPoint(-50, 5)), hidden || !movable ? moved : QPoint(80, 125));
        }
        dialog.resize(350, 260);
        QCOMPARE(dialog.resizeGrip()->geometry(), QRect(336, 246, 12, 12));
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
        auto *minimize = child<ToolButton>(&dialog, "windowminimizebutton");
        // icon, title, stretch, minimise, close
        QLayout *bar = child(&dialog, "windowtitlebar")->layout();
        QCOMPARE(bar->indexOf(minimize), 3);
        QCOMPARE(bar->indexOf(dialog.closeButton()), 4);
        const std::pair<ToolButton *, QString> images[] = {{dialog.closeButton(), closeImage}, {minimize, minimizeImage}};
        for (const auto &[button, image] : images)
            QVERIFY(ShellTest::sameImage(button->icon().pixmap(button->iconSize()), QPixmap(image)));
        QVERIFY(ShellTest::showExposed(&dialog));
        QSignalSpy doubleClicked(&dialog, &CustomDialog::titleBarDoubleClicked);
        QTest::mouseDClick(child(&dialog, "windowtitlebar"), Qt::LeftButton, Qt::NoModifier, QPoint(40, 5));
        QCOMPARE(doubleClicked.count(), 1);
        QTest::mouseClick(minimize, Qt::LeftButton);
        QVERIFY(dialog.isMinimized());
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
        QCOMPARE(frame->objectName(), QStringLiteral("generalSectionFrame"));
        QCOMPARE(frame->layout(), section);
        QLayout *row = section->itemAt(0)->layout();
        auto *label = qobject_cast<QLabel *>(row->itemAt(0)->widget());
        QCOMPARE(label->objectName(), QStringLiteral("generalSectionLabel"));
        QCOMPARE(label->text(), QStringLiteral("General"));
        QCOMPARE(row->count(), centred ? 1 : 2);
        QCOMPARE(bool(label->alignment() & Qt::AlignHCenter), centred);
        QCOMPARE(dialog.createSectionFrame(content)->count(), 0);
        QCOMPARE(content->count(), 2);
    }
};

PLUMDECK_TEST_MAIN(TstCustomDialog)
#include "tst_customdialog.moc"
