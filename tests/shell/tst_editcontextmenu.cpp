#include "shell/editcontextmenu.h"
#include "shell/menu.h"
#include "shell/pdlineedit.h"
#include "shell/pdtextedit.h"
#include "shelltest.h"
#include "testenvironment.h"

#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

// The resource whose picture the entry shows, or "".
QString imageShown(const QAction *action)
{
    for (const char *c : {":/undo.png", ":/redo.png", ":/cut.png", ":/copy.png", ":/paste.png", ":/task_delete.png",
                          ":/select_all.png", ":/menu-spacer.png"}) {
        if (ShellTest::sameImage(action->icon().pixmap(QSize(16, 16)), QPixmap(QLatin1String(c))))
            return QLatin1String(c);
    }
    return QString();
}

// Sends the context-menu request the mouse sends (scroll areas take it on
// their viewport); `whileOpen` runs with the popup open, which then closes.
void requestContextMenu(QWidget *field, const std::function<void(QMenu *)> &whileOpen)
{
    QTimer::singleShot(20, field, [whileOpen] { whileOpen(qobject_cast<QMenu *>(QApplication::activePopupWidget())); });
    auto *area = qobject_cast<QAbstractScrollArea *>(field);
    QWidget *target = area ? area->viewport() : field;
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(target, &event);
}

} // namespace

class TstEditContextMenu : public QObject
{
    Q_OBJECT
private slots:
    void menus_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("images");
        QTest::addColumn<QString>("lastText");
        const QStringList editable = {":/undo.png", ":/redo.png", ":/cut.png", ":/copy.png",
                                      ":/paste.png", ":/task_delete.png", ":/select_all.png"};
        QTest::newRow("line edit") << "line" << editable << "Select All  ";
        QTest::newRow("text edit") << "text" << editable << "Select All  ";
        // Read-only: the copy entry shows the copy picture; select all keeps
        // the toolkit's text.
        QTest::newRow("read-only text edit") << "readonly" << QStringList{":/copy.png", ":/select_all.png"}
                                              << "Select All\t" + QKeySequence(QKeySequence::SelectAll).toString(QKeySequence::NativeText);
    }

    void menus()
    {
        QFETCH(QString, field);
        QFETCH(QStringList, images);
        QFETCH(QString, lastText);
        PDLineEdit line(QStringLiteral("Groceries"));
        PDTextEdit text(QStringLiteral("Buy plums"));
        text.setReadOnly(field == QLatin1String("readonly"));
        QWidget *widget = field == QLatin1String("line") ? static_cast<QWidget *>(&line) : &text;
        QVERIFY(ShellTest::showExposed(widget));
        line.deselect();
        QStringList shownImages;
        QString shownLast;
        QPointer<QMenu> popup;
        QPointer<QAction> firstEntry;
        requestContextMenu(widget, [&](QMenu *menu) {
            if (!menu)
                return;
            popup = menu;
            firstEntry = menu->actions().first();
            for (QAction *a : menu->actions())
                shownImages << (a->isSeparator() ? QStringLiteral("separator") : imageShown(a));
            shownLast = menu->actions().last()->text();
            menu->actions().last()->trigger(); // the entries still work: select all
            menu->close();
        });
        QCOMPARE(shownImages, images);
        QCOMPARE(shownLast, lastText);
        QCOMPARE(line.selectedText() + text.textCursor().selectedText(), widget == &line ? line.text() : text.toPlainText());
        // Popup and standard menu are both gone once the popup has closed.
        QTRY_VERIFY(popup.isNull() && firstEntry.isNull());
    }

    void fieldDeletedWhileMenuOpen_data()
    {
        QTest::addColumn<bool>("lineEdit");
        QTest::newRow("line edit") << true;
        QTest::newRow("text edit") << false;
    }

    void fieldDeletedWhileMenuOpen()
    {
        // The window holding the field closes under its open menu (a dialog
        // deleted by an update, say): both menus go with the field, once.
        QFETCH(bool, lineEdit);
        auto *owner = new QWidget;
        QWidget *field = lineEdit ? static_cast<QWidget *>(new PDLineEdit(QStringLiteral("Groceries")))
                                  : new PDTextEdit(QStringLiteral("Buy plums"));
        (new QVBoxLayout(owner))->addWidget(field);
        QVERIFY(ShellTest::showExposed(owner));
        QPointer<QWidget> alive(field);
        bool menuWasOpen = false;
        requestContextMenu(field, [owner, &menuWasOpen](QMenu *menu) {
            menuWasOpen = menu != nullptr;
            delete owner;
        });
        QTRY_VERIFY(alive.isNull());
        QVERIFY(menuWasOpen);
    }

    void recognisedByWhatTheyAre()
    {
        // An entry the toolkit might add in another version is left alone,
        // and the known ones keep their pictures wherever they stand.
        QMenu standard;
        QAction extra(QStringLiteral("Insert Unicode control character"));
        QAction copy(QStringLiteral("&Copy\tCtrl+C"));
        QAction link(QStringLiteral("Copy &Link Location"));
        link.setObjectName(QStringLiteral("link-copy"));
        QAction selectAll(QStringLiteral("Select All\tCtrl+A"));
        QAction undo(QStringLiteral("anything"));
        undo.setObjectName(QStringLiteral("edit-undo"));
        standard.addActions({&extra, &copy, &link});
        standard.addSeparator();
        standard.addActions({&undo, &selectAll});
        std::unique_ptr<Menu> popup(EditContextMenu::build(&standard, nullptr, false, QStringLiteral("Select All  ")));
        QCOMPARE(popup->actions(), QList<QAction *>({&extra, &copy, &link, &undo, &selectAll}));
        QStringList images;
        for (QAction *a : popup->actions())
            images << imageShown(a);
        QCOMPARE(images, QStringList({":/menu-spacer.png", ":/copy.png", ":/copy.png", ":/undo.png", ":/select_all.png"}));
        QCOMPARE(selectAll.text(), QStringLiteral("Select All  "));
        QCOMPARE(extra.text(), QStringLiteral("Insert Unicode control character"));
    }

    void lineEditKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("return") << int(Qt::Key_Return);
        QTest::newRow("enter") << int(Qt::Key_Enter);
    }

    // Return and Enter are the field's own: the dialog's default button is
    // not pressed. Losing the focus is told before editing finishes.
    void lineEditKeys()
    {
        QFETCH(int, key);
        QDialog dialog;
        auto *edit = new PDLineEdit(&dialog);
        auto *other = new QLineEdit(&dialog);
        auto *button = new QPushButton(QStringLiteral("Ok"), &dialog);
        button->setDefault(true);
        QSignalSpy clicked(button, &QPushButton::clicked);
        QSignalSpy returned(edit, &QLineEdit::returnPressed);
        QStringList order;
        connect(edit, &PDLineEdit::enterPressed, this, [&] { order << QStringLiteral("enter"); });
        connect(edit, &PDLineEdit::lostFocus, this, [&] { order << QStringLiteral("lostFocus"); });
        connect(edit, &QLineEdit::editingFinished, this, [&] { order << QStringLiteral("editingFinished"); });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(returned.count() + clicked.count(), 0);
        QVERIFY(dialog.isVisible());
        QTest::keyClicks(edit, QStringLiteral("ab"));
        QCOMPARE(edit->text(), QStringLiteral("ab"));
        other->setFocus();
        QCOMPARE(order, QStringList({"enter", "lostFocus", "editingFinished"}));
    }
};

PLUMDECK_TEST_MAIN(TstEditContextMenu)
#include "tst_editcontextmenu.moc"
