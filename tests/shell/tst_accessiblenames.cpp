// Every control a user can reach in the windows and dialogs has a name that
// assistive tools read out (and the end-to-end runs find it by), and the
// text field holding the focus is where those tools find it. The screens
// that every area registers for the screenshot program are built here and
// each shown window is walked.

#include "accessibletree.h"
#include "screens.h"
#include "shell/customdialog.h"
#include "shell/customwindow.h"
#include "shell/messagedialog.h"
#include "shell/plumdeckstyle.h"
#include "testenvironment.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTextEdit>

namespace {

bool interactive(const QWidget *w)
{
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w)
        || qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w)
        || qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w)
        || qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QAbstractSlider *>(w)
        || qobject_cast<const QTabBar *>(w);
}

// The editor of a combo or spin box is named by the box itself.
bool partOfAnother(const QWidget *w)
{
    for (const QWidget *p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        if (qobject_cast<const QComboBox *>(p) || qobject_cast<const QAbstractSpinBox *>(p))
            return true;
    }
    return false;
}

QString describe(const QWidget *w)
{
    const QString name = w->objectName().isEmpty() ? QStringLiteral("<no object name>") : w->objectName();
    QString where;
    for (const QWidget *p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        if (!p->objectName().isEmpty()) {
            where = QStringLiteral(" in ") + p->objectName();
            break;
        }
    }
    return QStringLiteral("%1 (%2)%3").arg(name, QLatin1String(w->metaObject()->className()), where);
}

// The controls under `window` that a user reaches and that have no name.
QStringList nameless(QWidget *window)
{
    QStringList found;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : widgets) {
        if (!interactive(w) || !w->isVisibleTo(window) || !w->isEnabled() || partOfAnother(w))
            continue;
        // Buttons are clicked whether or not they take the keyboard focus.
        if (!qobject_cast<QAbstractButton *>(w) && w->focusPolicy() == Qt::NoFocus)
            continue;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (!iface) {
            found << describe(w) + QStringLiteral(" has no accessible interface");
            continue;
        }
        if (auto *bar = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < iface->childCount(); ++i) {
                QAccessibleInterface *tab = iface->child(i);
                if (tab && tab->role() == QAccessible::PageTab && tab->text(QAccessible::Name).isEmpty()
                    && bar->isTabVisible(i))
                    found << describe(w) + QStringLiteral(" tab %1").arg(i);
            }
            continue;
        }
        if (iface->text(QAccessible::Name).trimmed().isEmpty())
            found << describe(w);
        // A combo box would otherwise be read by its current value.
        else if (qobject_cast<QComboBox *>(w) && w->accessibleName().isEmpty())
            found << describe(w) + QStringLiteral(" (named by its value only)");
    }
    return found;
}

// A check box or radio button without text of its own, with a label beside it
// in its row, is named by that label.
QStringList misnamedBoxes(QWidget *window)
{
    QStringList found;
    QList<QAbstractButton *> boxes;
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
        if ((qobject_cast<QCheckBox *>(b) || qobject_cast<QRadioButton *>(b)) && b->text().isEmpty()
            && b->isVisibleTo(window))
            boxes << b;
    }
    for (QAbstractButton *box : std::as_const(boxes)) {
        QLayout *row = nullptr;
        for (QLayout *layout : window->findChildren<QLayout *>()) {
            if (layout->indexOf(box) >= 0)
                row = layout;
        }
        if (!row)
            continue;
        const int at = row->indexOf(box);
        QStringList beside;
        for (int i : {at - 1, at + 1}) {
            QLayoutItem *item = i >= 0 ? row->itemAt(i) : nullptr;
            auto *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr;
            if (label && !label->text().isEmpty())
                beside << label->text();
        }
        const QString name = QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name);
        if (!beside.isEmpty() && !beside.contains(name))
            found << QStringLiteral("%1 is named \"%2\" beside %3").arg(describe(box), name, beside.join(QLatin1String(" / ")));
    }
    return found;
}

// The text field holding the window's focus is reached from the window
// through the accessibility tree, and says it has the focus.
QStringList unreachedFocus(QWidget *window)
{
    // A task tree shown alone, as its own screens show it, presents only its
    // rows: its search bar is presented by the lists page that holds it.
    if (qobject_cast<QAbstractItemView *>(window))
        return {};
    QWidget *focus = window->focusWidget();
    if (!focus || !focus->isVisibleTo(window)
        || !(qobject_cast<QLineEdit *>(focus) || qobject_cast<QTextEdit *>(focus)
             || qobject_cast<QPlainTextEdit *>(focus)))
        return {};
    QStringList broken;
    QAccessibleInterface *iface = AccessibleTree::reached(QAccessible::queryAccessibleInterface(window), focus, &broken);
    if (!iface)
        return {describe(focus) + QStringLiteral(" holds the focus out of assistive tools' reach")};
    if (focus->hasFocus() && !iface->state().focused)
        broken << describe(focus) + QStringLiteral(" holds the focus but does not say so");
    return broken;
}

} // namespace

class TstAccessibleNames : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setStyle(new PlumdeckStyle); }

    void screens_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(Screens::all().size()); ++i)
            QTest::newRow(Screens::all().at(i).name.toLatin1().constData()) << i;
    }

    void screens()
    {
        QFETCH(int, index);
        QStringList missing;
        Screens::all().at(index).render(
            [&missing](QWidget *widget, const QString &name) {
                widget->show();
                QCoreApplication::processEvents();
                for (const QString &w :
                     nameless(widget->window()) + misnamedBoxes(widget->window()) + unreachedFocus(widget->window()))
                    missing << name + QStringLiteral(": ") + w;
                return widget->grab().toImage();
            },
            false);
        missing.removeDuplicates();
        for (const QString &line : std::as_const(missing))
            qWarning().noquote() << "unnamed:" << line;
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("unnamed or misnamed:\n  ") + missing.join(QStringLiteral("\n  "))));
    }

    // The frame's own windows, with every title-bar button they can have.
    void frames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("question") << 0;
        QTest::newRow("information") << 1;
        QTest::newRow("dialog") << 2;
        QTest::newRow("window") << 3;
    }

    void frames()
    {
        QFETCH(int, kind);
        std::unique_ptr<QWidget> window;
        if (kind == 0 || kind == 1) {
            window = std::make_unique<MessageDialog>(QStringLiteral("Remove list"), QStringLiteral("Remove it?"), kind == 0);
        } else if (kind == 2) {
            auto dialog = std::make_unique<CustomDialog>(QStringLiteral("Settings"), true, true);
            dialog->setTitleIcon(QStringLiteral(":/config.png"));
            dialog->addMinimizeButton();
            dialog->addResizeGrip();
            window = std::move(dialog);
        } else {
            window = std::make_unique<CustomWindow>();
        }
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QStringList missing = nameless(window.get());
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("unnamed or misnamed:\n  ") + missing.join(QStringLiteral("\n  "))));
    }
};

std::vector<Screens::Screen> &Screens::all()
{
    static std::vector<Screens::Screen> screens;
    return screens;
}

PLUMDECK_TEST_MAIN(TstAccessibleNames)
#include "tst_accessiblenames.moc"
