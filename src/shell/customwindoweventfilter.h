#ifndef CUSTOMWINDOWEVENTFILTER_H
#define CUSTOMWINDOWEVENTFILTER_H

#include <QObject>
#include <QPoint>
#include <QSize>

class QMouseEvent;
class QWidget;

// Moves and resizes one frameless window by mouse. Installed on the
// application object, it sees the mouse events of every object and acts on
// those of its window: a left press in an 8-pixel edge zone starts a resize,
// anywhere else on the window a move. It never consumes an event.
class CustomWindowEventFilter : public QObject
{
    Q_OBJECT
public:
    enum DragOp { None = 0, Move = 1, Resize = 2 };

    // Edge-zone codes.
    enum { NoEdge = 0, LeftEdge = 1, RightEdge = 2, TopEdge = 1, BottomEdge = 2 };
    static constexpr int EdgeZoneWidth = 8;

    explicit CustomWindowEventFilter(QWidget *window);

    bool eventFilter(QObject *watched, QEvent *event) override;

    int horizontalEdge(const QPoint &local) const;
    int verticalEdge(const QPoint &local) const;

    DragOp dragOp() const { return m_dragOp; }

    void beginDrag(QMouseEvent *event);
    void updateDrag(const QPoint &global, const QPoint &local);
    void endDrag(QMouseEvent *event);
    void resizeBy(const QPoint &delta);
    void updateCursor(const QPoint &local);
    bool belongsToWindow(QObject *object) const;

private:
    bool startSystemDrag(int h, int v);

    QWidget *m_window;
    DragOp m_dragOp = None;
    QPoint m_pressGlobalPos;
    QPoint m_pressWindowPos;
    QSize m_pressWindowSize;
    int m_horizontalEdgeAtPress = NoEdge;
    int m_verticalEdgeAtPress = NoEdge;
};

#endif
