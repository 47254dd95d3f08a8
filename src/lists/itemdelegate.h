#ifndef ITEMDELEGATE_H
#define ITEMDELEGATE_H

#include <QPixmap>
#include <QStyledItemDelegate>

// The check dot of a title cell: strictly inside the 16 x 16 box whose top
// left is 9 pixels below the cell's top left.
bool pointInCheckDot(const QRect &itemRect, const QPoint &pos);

// Draws and edits the task titles: the round check dot, the highlight of the
// current task, completed tasks struck out or greyed. The title may run over
// the icon columns its task leaves empty.
class ItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ItemDelegate(QObject *parent = nullptr);
    ~ItemDelegate() override;

    bool eventFilter(QObject *object, QEvent *event) override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

    // Icons shown in the row's icon columns, 0 to 7.
    static int visibleIconCount(const QModelIndex &index);
    static QRect titleRect(const QStyle *style, const QStyleOptionViewItem &option, const QWidget *widget,
                           const QModelIndex &index);

    // The preferences that change how titles look are read here, once per
    // painting of the view rather than once per row.
    void readSettings();

signals:
    void closeEditorAndDeleteItem(QWidget *editor);
    void closeEditorWithReturnKey(QWidget *editor);

private:
    QStyleOptionViewItem preparedOption(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    bool m_blueSkin;
    QWidget *m_view;
    bool m_lineOutCompleted = true;
    bool m_grayOutCompleted = true;
    bool m_bold = true;
    QPixmap m_dotChecked;
    QPixmap m_dotUnchecked;
};

#endif
