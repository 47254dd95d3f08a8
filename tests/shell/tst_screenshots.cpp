// Renders every window and dialog of the frame in both skins. With
// PLUMDECK_SCREENSHOT_DIR set (scripts/screenshots does) the pictures are
// written there; either way the skins' essentials are checked on the pixels.

#include "shell/customdialog.h"
#include "shell/customwindow.h"
#include "shell/editcontextmenu.h"
#include "shell/linklabel.h"
#include "shell/menu.h"
#include "shell/messagedialog.h"
#include "shell/pdlineedit.h"
#include "shell/pdtextedit.h"
#include "shell/plumdeckstyle.h"
#include "shell/toolbutton.h"
#include "core/uisettings.h"
#include "screens.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

class TstScreenshots : public QObject
{
    Q_OBJECT
private:
    QString m_dir;

    void applySkin(bool blue)
    {
        ShellTest::setBlueSkin(blue);
        QFile sheet(UISettings::instance()->styleSheetPath());
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    }

    QImage shoot(QWidget *widget, const QString &name)
    {
        widget->show();
        QCoreApplication::processEvents();
        const QImage image = widget->grab().toImage();
        if (!m_dir.isEmpty() && !image.isNull())
            image.save(QDir(m_dir).filePath(name + QStringLiteral(".png")));
        return image;
    }

    static void skinRows()
    {
        QTest::addColumn<bool>("blue");
        QTest::newRow("green") << false;
        QTest::newRow("blue") << true;
    }

private slots:
    void initTestCase()
    {
        QApplication::setStyle(new PlumdeckStyle);
        m_dir = qEnvironmentVariable("PLUMDECK_SCREENSHOT_DIR");
        if (!m_dir.isEmpty())
            QVERIFY(QDir().mkpath(m_dir));
    }

    void cleanupTestCase()
    {
        qApp->setStyleSheet(QString());
    }

    void dialogs_data() { skinRows(); }

    void dialogs()
    {
        QFETCH(bool, blue);
        const QColor border = blue ? QColor(0x3e, 0x5e, 0x7f) : QColor(0, 0, 0);
        const QColor background = blue ? QColor(0x8c, 0xa9, 0xc4) : QColor(0x33, 0x33, 0x33);
        const int titleHeight = blue ? 21 : 20;
        applySkin(blue);
        const QString skin = QLatin1String(QTest::currentDataTag());

        MessageDialog question(QStringLiteral("Remove list"),
                               QStringLiteral("Are you sure you want to remove the list \"Groceries\"? "
                                              "Its tasks are removed with it."),
                               true);
        question.resize(340, 130);
        const QImage shot = shoot(&question, QStringLiteral("message-question-") + skin);
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.pixelColor(0, shot.height() / 2), border);
        QCOMPARE(shot.pixelColor(shot.width() - 1, shot.height() / 2), border);
        QCOMPARE(shot.pixelColor(4, shot.height() / 2), background);
        QCOMPARE(question.findChild<QWidget *>(QStringLiteral("windowtitlebar"))->height(), titleHeight);
        QVERIFY(question.okButton()->width() >= 80);
        QVERIFY(question.cancelButton()->width() >= 80);
        // Ok has its own background (looked at left of the label, which
        // grows with the font; in the picture's pixels, which a
        // high-density screen multiplies).
        const qreal ratio = shot.devicePixelRatio();
        const QPoint ok = question.okButton()->mapTo(&question, QPoint(6, question.okButton()->height() / 2));
        const QPoint cancel = question.cancelButton()->mapTo(&question, QPoint(6, question.cancelButton()->height() / 2));
        QVERIFY(shot.pixelColor((QPointF(ok) * ratio).toPoint()) != shot.pixelColor((QPointF(cancel) * ratio).toPoint()));

        MessageDialog information(QStringLiteral("Export"), QStringLiteral("The list was exported."), false);
        information.resize(300, 110);
        QVERIFY(!shoot(&information, QStringLiteral("message-information-") + skin).isNull());

        CustomDialog sections(QStringLiteral("Account settings"), true, true);
        sections.setTitleIcon(blue ? QStringLiteral(":/config-blue.png") : QStringLiteral(":/config.png"));
        sections.addMinimizeButton();
        sections.addResizeGrip();
        auto *content = new QVBoxLayout;
        QVBoxLayout *account = sections.createSection(content, QStringLiteral("Account"));
        auto *grid = new QGridLayout;
        grid->addWidget(new QLabel(QStringLiteral("Username")), 0, 0);
        grid->addWidget(new PDLineEdit(QStringLiteral("ada@example.org")), 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Password")), 1, 0);
        auto *password = new PDLineEdit(QStringLiteral("secret"));
        password->setEchoMode(QLineEdit::Password);
        grid->addWidget(password, 1, 1);
        account->addLayout(grid);
        account->addWidget(new QCheckBox(QStringLiteral("Remember my password")));
        QVBoxLayout *help = sections.createSection(content, QStringLiteral("Help"));
        help->addWidget(new LinkLabel(QStringLiteral("Shortcuts"), this, SLOT(deleteLater())));
        help->addWidget(new LinkLabel(QStringLiteral("User Guide"), QStringLiteral("https://example.org/guide")));
        QVBoxLayout *notes = sections.createCenteredSection(content, QStringLiteral("Notes"));
        auto *text = new PDTextEdit;
        text->setPlainText(QStringLiteral("Buy plums\nCall the garage"));
        text->setFixedHeight(54);
        notes->addWidget(text);
        sections.setContentLayout(content);
        sections.resize(380, 400);
        const QImage sectionShot = shoot(&sections, QStringLiteral("dialog-sections-") + skin);
        QVERIFY(!sectionShot.isNull());
        QCOMPARE(sectionShot.pixelColor(0, 100), border);

        CustomWindow window;
        auto *main = new QVBoxLayout;
        main->setContentsMargins(8, 8, 8, 8);
        main->addWidget(new PDTextEdit(QStringLiteral("The pages of the main window go here.")));
        window.setContentLayout(main);
        window.resize(640, 400);
        const QImage windowShot = shoot(&window, QStringLiteral("main-window-") + skin);
        QVERIFY(!windowShot.isNull());
        QCOMPARE(windowShot.pixelColor(0, 200), border);
        window.showMaximized();
        window.updateMaximizeButton();
        QVERIFY(!shoot(window.maximizeButton(), QStringLiteral("maximize-button-maximized-") + skin).isNull());

        PDLineEdit edit(QStringLiteral("Groceries"));
        edit.setSelection(0, 4);
        std::unique_ptr<QMenu> standard(edit.createStandardContextMenu());
        std::unique_ptr<Menu> popup(EditContextMenu::build(standard.get(), &edit, false, QStringLiteral("Select All  ")));
        popup->adjustSize();
        popup->setActiveAction(popup->actions().value(3)); // as under the mouse
        QVERIFY(!shoot(popup.get(), QStringLiteral("context-menu-") + skin).isNull());
        popup->hide();
    }

    // The frame rules of the sheets that the pixels above do not show:
    // spacings, exact sizes and the title strip's gradient.
    void frameRules_data() { skinRows(); }

    void frameRules()
    {
        QFETCH(bool, blue);
        applySkin(blue);

        CustomDialog dialog(QStringLiteral("Title"), true, true);
        dialog.setTitleIcon(QStringLiteral(":/config.png"));
        dialog.addMinimizeButton();
        dialog.resize(300, 150);
        dialog.show();
        QCoreApplication::processEvents();
        QCOMPARE(dialog.titleLabel()->contentsRect().left(), 4);
        if (!blue) {
            for (const char *name : {"windowclosebutton", "windowminimizebutton", "dialogTittleBarIcon"})
                QCOMPARE(dialog.findChild<QWidget *>(QLatin1String(name))->size(), QSize(22, 20));
        }
        QVERIFY(dialog.okButton()->height() >= 16);
        QVERIFY(dialog.cancelButton()->height() >= 16);

        CustomWindow window;
        auto *content = new QVBoxLayout;
        content->addWidget(new PDTextEdit);
        window.setContentLayout(content);
        window.resize(500, 300);
        window.show();
        QCoreApplication::processEvents();
        auto *strip = window.findChild<QLabel *>(QStringLiteral("windowbar"));
        const QRect inner = strip->contentsRect();
        QCOMPARE(inner.left(), 8);
        QCOMPARE(strip->width() - 1 - inner.right(), 8);
        QCOMPARE(inner.top(), 4);
        QVERIFY(strip->height() - 1 - inner.bottom() >= 4);
        QCOMPARE(window.helpButton()->x(), 8);
        // A vertical gradient: the strip's top and bottom rows differ, beside
        // the buttons and the word mark.
        const QImage shot = strip->grab().toImage();
        const int x = (window.prefsButton()->geometry().right() + strip->width() / 2 - 66) / 2;
        QVERIFY(shot.pixelColor(x, 0) != shot.pixelColor(x, inner.bottom()));
    }

    // The screens every area registers, each in both skins.
    void screens_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("blue");
        for (int i = 0; i < int(Screens::all().size()); ++i) {
            const QByteArray name = Screens::all().at(i).name.toLatin1();
            QTest::newRow((name + "-green").constData()) << i << false;
            QTest::newRow((name + "-blue").constData()) << i << true;
        }
    }

    void screens()
    {
        QFETCH(int, index);
        QFETCH(bool, blue);
        applySkin(blue);
        const QString skin = blue ? QStringLiteral("-blue") : QStringLiteral("-green");
        Screens::all().at(index).render(
            [this, &skin](QWidget *widget, const QString &name) { return shoot(widget, name + skin); }, blue);
    }

    // Every compiled-in image at twice its size, on both frame colours.
    void artworkSheet()
    {
        qApp->setStyleSheet(QString());
        QStringList names;
        for (QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString name = it.next();
            if (!name.startsWith(QLatin1String(":/qt-project.org")))
                names.append(name);
        }
        names.sort();
        const QSize cell(170, 78);
        QImage sheet(cell.width() * 6, cell.height() * int((names.size() + 5) / 6), QImage::Format_ARGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        QFont font = painter.font();
        font.setPixelSize(10);
        painter.setFont(font);
        for (int i = 0; i < names.size(); ++i) {
            const QRect box(QPoint((i % 6) * cell.width(), (i / 6) * cell.height()), cell);
            const QPixmap pixmap(names.at(i));
            const QSize shown = (pixmap.size() * 2).boundedTo(QSize(cell.width() / 2 - 6, cell.height() - 20));
            QRect frame(box.topLeft() + QPoint(2, 2), QSize(cell.width() / 2 - 2, cell.height() - 18));
            for (const QColor &colour : {QColor(0x33, 0x33, 0x33), QColor(0x8c, 0xa9, 0xc4)}) {
                painter.fillRect(frame, colour);
                QRect target(QPoint(), pixmap.size().scaled(shown, Qt::KeepAspectRatio));
                target.moveCenter(frame.center());
                painter.drawPixmap(target, pixmap);
                frame.translate(frame.width() + 1, 0);
            }
            painter.drawText(QRect(box.left() + 2, box.bottom() - 15, box.width() - 4, 14), Qt::AlignLeft,
                             names.at(i).mid(2) + QStringLiteral(" %1x%2").arg(pixmap.width()).arg(pixmap.height()));
        }
        painter.end();
        if (!m_dir.isEmpty())
            QVERIFY(sheet.save(QDir(m_dir).filePath(QStringLiteral("artwork.png"))));
    }
};

std::vector<Screens::Screen> &Screens::all()
{
    static std::vector<Screen> screens;
    return screens;
}

PLUMDECK_TEST_MAIN(TstScreenshots)
#include "tst_screenshots.moc"
