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

struct Shown
{
    QStringList texts;
    QStringList images; // resource whose picture each entry shows, or ""
    int separators = 0;
    QPointer<QMenu> popup;
    QPointer<QAction> firstEntry;
};

QString imageShown(const QAction *action)
{
    static const QStringList candidates = {":/undo.png", ":/redo.png", ":/cut.png", ":/copy.png",
                                           ":/paste.png", ":/task_delete.png", ":/select_all.png",
                                           ":/menu-spacer.png"};
    for (const QString &c : candidates) {
        if (ShellTest::sameImage(action->icon().pixmap(QSize(16, 16)), QPixmap(c)))
            return c;
    }
    return QString();
}

// Sends the context-menu request the mouse sends; scroll areas take it on
// their viewport.
void requestContextMenu(QWidget *field)
{
    auto *area = qobject_cast<QAbstractScrollArea *>(field);
    QWidget *target = area ? area->viewport() : field;
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(target, &event);
}

// Opens the field's context menu the way the user does and reads the popup;
// `act` may trigger an entry, otherwise the popup is closed.
Shown openContextMenu(QWidget *field, std::function<void(QMenu *)> act = {})
{
    auto shown = std::make_shared<Shown>();
    QTimer::singleShot(20, field, [shown, act]() {
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!popup)
            return;
        shown->popup = popup;
        const QList<QAction *> actions = popup->actions();
        for (QAction *a : actions) {
            if (a->isSeparator()) {
                ++shown->separators;
                continue;
            }
            shown->texts.append(a->text());
            shown->images.append(imageShown(a));
        }
        if (!actions.isEmpty())
            shown->firstEntry = actions.first();
        if (act)
            act(popup);
        popup->close();
    });
    requestContextMenu(field);
    return *shown;
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
        std::unique_ptr<QWidget> widget;
        PDTextEdit *textEdit = nullptr;
        if (field == QLatin1String("line")) {
            widget.reset(new PDLineEdit(QStringLiteral("Groceries")));
        } else {
            widget.reset(textEdit = new PDTextEdit);
            textEdit->setPlainText(QStringLiteral("Buy plums"));
            textEdit->setReadOnly(field == QLatin1String("readonly"));
        }
        QVERIFY(ShellTest::showExposed(widget.get()));
        if (!textEdit)
            static_cast<PDLineEdit *>(widget.get())->deselect();
        // The entries still work: select all, the last one.
        const Shown shown = openContextMenu(widget.get(), [](QMenu *popup) { popup->actions().last()->trigger(); });
        QCOMPARE(textEdit ? textEdit->textCursor().selectedText()
                          : static_cast<PDLineEdit *>(widget.get())->selectedText(),
                 textEdit ? QStringLiteral("Buy plums") : QStringLiteral("Groceries"));
        QVERIFY(!shown.texts.isEmpty());
        QCOMPARE(shown.separators, 0);
        QCOMPARE(shown.images, images);
        QCOMPARE(shown.texts.last(), lastText);
        // Popup and standard menu are both gone once the popup has closed.
        QTRY_VERIFY(shown.popup.isNull());
        QTRY_VERIFY(shown.firstEntry.isNull());
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
        auto *layout = new QVBoxLayout(owner);
        QWidget *field = lineEdit ? static_cast<QWidget *>(new PDLineEdit(QStringLiteral("Groceries")))
                                  : new PDTextEdit(QStringLiteral("Buy plums"));
        layout->addWidget(field);
        QVERIFY(ShellTest::showExposed(owner));
        QPointer<QWidget> alive(field);
        bool menuWasOpen = false;
        QTimer::singleShot(20, [owner, &menuWasOpen]() {
            menuWasOpen = QApplication::activePopupWidget() != nullptr;
            delete owner;
        });
        requestContextMenu(field);
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
        QAction selectAll(QStringLiteral("Select All\tCtrl+A"));
        QAction undo(QStringLiteral("anything"));
        undo.setObjectName(QStringLiteral("edit-undo"));
        standard.addAction(&extra);
        standard.addAction(&copy);
        standard.addSeparator();
        standard.addAction(&undo);
        standard.addAction(&selectAll);
        std::unique_ptr<Menu> popup(EditContextMenu::build(&standard, nullptr, false, QStringLiteral("Select All  ")));
        QCOMPARE(popup->actions().size(), 4);
        QCOMPARE(imageShown(&extra), QStringLiteral(":/menu-spacer.png"));
        QCOMPARE(imageShown(&copy), QStringLiteral(":/copy.png"));
        QCOMPARE(imageShown(&undo), QStringLiteral(":/undo.png"));
        QCOMPARE(imageShown(&selectAll), QStringLiteral(":/select_all.png"));
        QCOMPARE(selectAll.text(), QStringLiteral("Select All  "));
        QCOMPARE(extra.text(), QStringLiteral("Insert Unicode control character"));
    }

    void lineEditKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("return") << int(Qt::Key_Return);
        QTest::newRow("enter") << int(Qt::Key_Enter);
    }

    void lineEditKeys()
    {
        QFETCH(int, key);
        QDialog dialog;
        auto *edit = new PDLineEdit(&dialog);
        auto *button = new QPushButton(QStringLiteral("Ok"), &dialog);
        button->setDefault(true);
        QSignalSpy clicked(button, &QPushButton::clicked);
        QSignalSpy enter(edit, &PDLineEdit::enterPressed);
        QSignalSpy returned(edit, &QLineEdit::returnPressed);
        QVERIFY(ShellTest::showExposed(&dialog));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(enter.count(), 1);
        QCOMPARE(returned.count(), 0);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(dialog.isVisible());
        QTest::keyClicks(edit, QStringLiteral("ab"));
        QCOMPARE(edit->text(), QStringLiteral("ab"));
    }

    void lostFocusComesFirst()
    {
        QWidget window;
        auto *edit = new PDLineEdit(&window);
        auto *other = new QLineEdit(&window);
        other->move(0, 40);
        QStringList order;
        connect(edit, &PDLineEdit::lostFocus, this, [&]() { order << QStringLiteral("lostFocus"); });
        connect(edit, &QLineEdit::editingFinished, this, [&]() { order << QStringLiteral("editingFinished"); });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        QTest::keyClicks(edit, QStringLiteral("x"));
        other->setFocus();
        QCOMPARE(order, (QStringList{QStringLiteral("lostFocus"), QStringLiteral("editingFinished")}));
    }
};

PLUMDECK_TEST_MAIN(TstEditContextMenu)
#include "tst_editcontextmenu.moc"
