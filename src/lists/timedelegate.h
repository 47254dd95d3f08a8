#ifndef TIMEDELEGATE_H
#define TIMEDELEGATE_H

#include <QAbstractItemDelegate>
#include <QFont>

// Draws the ready-made text of a time or assignee cell in a small font.
class TimeDelegate : public QAbstractItemDelegate
{
    Q_OBJECT
public:
    explicit TimeDelegate(QObject *parent = nullptr);
    ~TimeDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    bool m_blueSkin;
    QFont m_font;
};

#endif
