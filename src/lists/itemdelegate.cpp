#include "lists/itemdelegate.h"

#include "core/uisettings.h"
#include "lists/icondelegate.h"
#include "model/listmodel.h"
#include "shell/colorpalette.h"
#include "shell/pdlineedit.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace {

// How far the title reaches to the right, over the empty icon columns, by
// the number of icons the row shows.
const int kTitleReach[8] = {175, 154, 128, 102, 76, 50, 24, 1};

const char *const kBlueEditorSheet =
    "QLineEdit { border: 1px solid #3e5e7f ; border-radius: 5px ; background:rgb(255,255,255) ; "
    "min-height:23px ;max-height:23px ; margin-top:0px;margin-bottom:0px;padding-top:0px;padding-bottom:0px}";
const char *const kGreenEditorSheet =
    "QLineEdit { border: 1px solid rgb(171,183,129) ; border-radius: 5px ; background:rgb(255,255,255) ; "
    "min-height:23px ;max-height:23px ; margin-top:0px;margin-bottom:0px;padding-top:0px;padding-bottom:0px}";

// The selection's fill in the Blue skin, and the title on it while the tree
// has no focus: the palette's title colour would read at 1.9:1 there.
const QColor kBlueSelectionFill(110, 139, 165);
const QColor kBlueUnfocusedSelectedText(10, 22, 34);
const QColor kGreenSelectionFill(171, 183, 129);

} // namespace

bool pointInCheckDot(const QRect &itemRect, const QPoint &pos)
{
    return itemRect.x() < pos.x() && pos.x() < itemRect.x() + 16 && itemRect.y() + 9 < pos.y()
        && pos.y() < itemRect.y() + 25;
}

ItemDelegate::ItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_blueSkin(UISettings::instance()->isBlueSkin())
    , m_view(qobject_cast<QWidget *>(parent))
    , m_dotChecked(m_blueSkin ? QStringLiteral(":/dot-checked-blue.png") : QStringLiteral(":/dot-checked.png"))
    , m_dotUnchecked(m_blueSkin ? QStringLiteral(":/dot-unchecked-blue.png")
                                : QStringLiteral(":/dot-unchecked-gray.png"))
{
    readSettings();
}

ItemDelegate::~ItemDelegate() = default;

void ItemDelegate::readSettings()
{
    const UISettings *settings = UISettings::instance();
    m_lineOutCompleted = settings->lineOutCompletedTasks();
    m_grayOutCompleted = settings->grayOutCompletedTasks();
    m_bold = settings->taskFontBold();
}

int ItemDelegate::visibleIconCount(const QModelIndex &index)
{
    int count = 0;
    for (int column = ListModel::FirstIconColumn; column <= ListModel::LastIconColumn; ++column) {
        if (!IconDelegate::isEmptyCell(index.siblingAtColumn(column).data(Qt::DisplayRole)))
            ++count;
    }
    return count;
}

QRect ItemDelegate::titleRect(const QStyle *style, const QStyleOptionViewItem &option, const QWidget *widget,
                              const QModelIndex &index)
{
    QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
    rect.adjust(-2, 0, kTitleReach[visibleIconCount(index)], 0);
    return rect;
}

QStyleOptionViewItem ItemDelegate::preparedOption(const QStyleOptionViewItem &option,
                                                  const QModelIndex &index) const
{
    QStyleOptionViewItem prepared = option;
    initStyleOption(&prepared, index);
    prepared.showDecorationSelected = true;
    return prepared;
}

void ItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = preparedOption(option, index);
    // The model answers the done state as a bool; read it as such.
    const bool checked = index.data(Qt::CheckStateRole).toBool();
    opt.font.setStrikeOut(checked && m_lineOutCompleted);
    opt.font.setBold(m_bold);

    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    painter->save();

    const QRect viewRect = m_view ? m_view->rect() : opt.rect;
    painter->setClipRect(QRect(viewRect.left(), opt.rect.top(), viewRect.width(), opt.rect.height()));

    const QRect title = titleRect(style, opt, opt.widget, index);
    const bool focused = opt.state & QStyle::State_HasFocus;
    const bool selected = opt.state & QStyle::State_Selected;
    const bool highlighted = focused || selected;

    if (highlighted) {
        const QColor fill = m_blueSkin ? kBlueSelectionFill : kGreenSelectionFill;
        const QBrush previousBrush = painter->brush();
        painter->setPen(fill);
        painter->setBrush(fill);
        painter->drawRoundedRect(title.adjusted(-3, -2, 2, -2), 5, 5, Qt::AbsoluteSize);
        painter->setBrush(previousBrush);
    }

    int textColour = ColorPalette::TopRowText;
    if (focused)
        textColour = ColorPalette::FocusedTitleText;
    else if (!selected && checked && m_grayOutCompleted)
        textColour = ColorPalette::CompletedTitleText;
    if (selected && !focused && m_blueSkin)
        painter->setPen(kBlueUnfocusedSelectedText);
    else
        painter->setPen(ColorPalette::forSkin(textColour, m_blueSkin));

    if (opt.state & QStyle::State_Editing) {
        painter->setPen(ColorPalette::forSkin(ColorPalette::TitleEditorFrame, m_blueSkin));
        painter->drawRect(title.adjusted(0, 0, -1, -1));
    }

    painter->setFont(opt.font);
    // A title longer than the room it can be seen in ends in an ellipsis
    // rather than being cut through a letter by the clip.
    // Painting happens on the viewport, which a scroll bar may narrow.
    const auto *scrollArea = qobject_cast<const QAbstractScrollArea *>(m_view);
    const int viewRight = scrollArea ? scrollArea->viewport()->rect().right() : viewRect.right();
    const int visibleRight = qMin(title.right(), viewRight);
    const QString shown =
        QFontMetrics(opt.font).elidedText(opt.text, Qt::ElideRight, qMax(0, visibleRight - title.left() + 1));
    style->drawItemText(painter, title, Qt::AlignLeft, opt.palette, true, shown, QPalette::NoRole);

    const bool placeholder = !index.parent().isValid() && index.row() == 0 && opt.text.isEmpty() && !highlighted;
    if (!placeholder) {
        const QRect dot = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, opt.widget)
                              .translated(-5, -1);
        painter->drawPixmap(dot, checked ? m_dotChecked : m_dotUnchecked);
    }
    painter->restore();
}

QWidget *ItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *editor = new PDLineEdit(QString(), parent);
    editor->setAccessibleName(tr("Task title"));
    QFont font = editor->font();
    font.setBold(UISettings::instance()->taskFontBold());
    editor->setFont(font);
    editor->setStyleSheet(QLatin1String(m_blueSkin ? kBlueEditorSheet : kGreenEditorSheet));
    return editor;
}

void ItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    const QStyleOptionViewItem opt = preparedOption(option, index);
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    editor->setGeometry(titleRect(style, opt, opt.widget, index).adjusted(-4, -3, 3, 4));
}

bool ItemDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(object);
    if (!editor)
        return QStyledItemDelegate::eventFilter(object, event);

    // Escape belongs to the editor while it is open (it cancels the edit),
    // not to a window shortcut such as the search bar's.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(object, event);

    auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (key->modifiers() == Qt::NoModifier && !(key->key() == Qt::Key_Backspace && key->isAutoRepeat())) {
            auto *line = qobject_cast<QLineEdit *>(editor);
            if (line && line->text().trimmed().isEmpty()) {
                emit closeEditorAndDeleteItem(editor);
                return true;
            }
        }
        return false;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit commitData(editor);
        emit closeEditorWithReturnKey(editor);
        return true;
    case Qt::Key_Down:
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        return QStyledItemDelegate::eventFilter(object, event);
    default:
        return QStyledItemDelegate::eventFilter(object, event);
    }
}
