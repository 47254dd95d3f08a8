#include "lists/icondelegate.h"

#include <QDebug>
#include <QPainter>
#include <QPixmap>

namespace {

// False for an empty cell; otherwise the pixmap, warning when there is none.
bool cellPixmap(const QModelIndex &index, QPixmap *pixmap)
{
    const QVariant data = index.data(Qt::DisplayRole);
    if (IconDelegate::isEmptyCell(data))
        return false;
    *pixmap = data.value<QPixmap>();
    if (pixmap->isNull()) {
        qWarning("IconDelegate expects the data to be a pixmap");
        return false;
    }
    return true;
}

} // namespace

IconDelegate::IconDelegate(QObject *parent)
    : QAbstractItemDelegate(parent)
{
}

IconDelegate::~IconDelegate() = default;

bool IconDelegate::isEmptyCell(const QVariant &data)
{
    if (data.typeId() == QMetaType::QPixmap)
        return data.value<QPixmap>().isNull();
    return data.isNull();
}

void IconDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QPixmap pixmap;
    if (!cellPixmap(index, &pixmap))
        return;
    const QPoint centre = option.rect.center();
    painter->drawPixmap(centre.x() - pixmap.width() / 2, centre.y() - pixmap.height() / 2, pixmap);
}

QSize IconDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    QPixmap pixmap;
    if (!cellPixmap(index, &pixmap))
        return QSize();
    return pixmap.size();
}
