#include "lists/timedelegate.h"

#include "core/uisettings.h"

#include <QDebug>
#include <QFontMetrics>
#include <QPainter>

namespace {

// False for an empty cell; otherwise the text, warning when there is none.
bool cellText(const QModelIndex &index, QString *text)
{
    const QVariant data = index.data(Qt::DisplayRole);
    if (data.isNull() || (data.typeId() == QMetaType::QString && data.toString().isNull()))
        return false;
    *text = data.toString();
    if (text->isNull()) {
        qWarning("TimeDelegate expects the data to be a string");
        return false;
    }
    return true;
}

} // namespace

TimeDelegate::TimeDelegate(QObject *parent)
    : QAbstractItemDelegate(parent)
    , m_blueSkin(UISettings::instance()->isBlueSkin())
    , m_font(QStringLiteral("Helvetica"), 9, QFont::Normal, false)
{
}

TimeDelegate::~TimeDelegate() = default;

void TimeDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QString text;
    if (!cellText(index, &text))
        return;
    painter->save();
    painter->setFont(m_font);
    painter->setPen(m_blueSkin ? QColor(62, 94, 127) : QColor(0, 0, 0));
    painter->drawText(QPoint(option.rect.x() + 5, option.rect.y() + QFontMetrics(m_font).height() + 3), text);
    painter->restore();
}

QSize TimeDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    QString text;
    if (!cellText(index, &text))
        return QSize();
    const QFontMetrics metrics(m_font);
    return QSize(qMax(metrics.horizontalAdvance(text), 60) + 10, metrics.height());
}
