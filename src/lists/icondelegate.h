#ifndef ICONDELEGATE_H
#define ICONDELEGATE_H

#include <QAbstractItemDelegate>

// Draws the pixmap an icon cell holds, centred and unscaled. An empty cell
// draws nothing and asks for no size.
class IconDelegate : public QAbstractItemDelegate
{
    Q_OBJECT
public:
    explicit IconDelegate(QObject *parent = nullptr);
    ~IconDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // An icon cell is empty when it holds nothing or a null pixmap.
    static bool isEmptyCell(const QVariant &data);
};

#endif
