#include "shell/customwindoweventfilter.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

CustomWindowEventFilter::CustomWindowEventFilter(QWidget *window)
    : QObject(window)
    , m_window(window)
{
}

bool CustomWindowEventFilter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        if (belongsToWindow(watched)) {
            const QPoint global = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
            updateDrag(global, m_window->mapFromGlobal(global));
        }
        break;
    case QEvent::MouseButtonPress:
        // Children that take the press (buttons, editors) keep it; only what
        // they ignore reaches the window and starts a drag.
        if (watched == m_window)
            beginDrag(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonRelease:
        if (watched == m_window)
            endDrag(static_cast<QMouseEvent *>(event));
        break;
    default:
        break;
    }
    return false;
}

int CustomWindowEventFilter::horizontalEdge(const QPoint &local) const
{
    if (m_window->minimumWidth() == m_window->maximumWidth())
        return NoEdge;
    if (local.x() < EdgeZoneWidth)
        return LeftEdge;
    if (local.x() < m_window->width() - EdgeZoneWidth)
        return NoEdge;
    return RightEdge;
}

int CustomWindowEventFilter::verticalEdge(const QPoint &local) const
{
    if (m_window->minimumHeight() == m_window->maximumHeight())
        return NoEdge;
    if (local.y() < EdgeZoneWidth)
        return TopEdge;
    if (local.y() < m_window->height() - EdgeZoneWidth)
        return NoEdge;
    return BottomEdge;
}

bool CustomWindowEventFilter::belongsToWindow(QObject *object) const
{
    for (QObject *o = object; o; o = o->parent()) {
        if (o == m_window)
            return true;
    }
    return false;
}

// Wayland ignores moves of top-level windows by the client; there the
// compositor runs the drag itself.
bool CustomWindowEventFilter::startSystemDrag(int h, int v)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QWindow *handle = m_window->windowHandle();
    if (!handle)
        return false;
    if (h == NoEdge && v == NoEdge)
        return handle->startSystemMove();
    Qt::Edges edges;
    if (h == LeftEdge)
        edges |= Qt::LeftEdge;
    else if (h == RightEdge)
        edges |= Qt::RightEdge;
    if (v == TopEdge)
        edges |= Qt::TopEdge;
    else if (v == BottomEdge)
        edges |= Qt::BottomEdge;
    return handle->startSystemResize(edges);
}

void CustomWindowEventFilter::beginDrag(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_window->isMaximized())
        return;

    const QPoint local = event->position().toPoint();
    const int h = horizontalEdge(local);
    const int v = verticalEdge(local);
    if (startSystemDrag(h, v))
        return;

    m_pressGlobalPos = event->globalPosition().toPoint();
    m_pressWindowPos = m_window->pos();
    if (h == NoEdge && v == NoEdge) {
        m_dragOp = Move;
    } else {
        m_pressWindowSize = m_window->size();
        m_horizontalEdgeAtPress = h;
        m_verticalEdgeAtPress = v;
        m_dragOp = Resize;
    }
}

void CustomWindowEventFilter::updateDrag(const QPoint &global, const QPoint &local)
{
    if (m_dragOp == None) {
        updateCursor(local);
        return;
    }
    const QPoint delta = global - m_pressGlobalPos;
    switch (m_dragOp) {
    case Move:
        m_window->move(m_pressWindowPos + delta);
        break;
    case Resize:
        resizeBy(delta);
        break;
    default:
        qFatal("bad DragOp");
    }
}

void CustomWindowEventFilter::resizeBy(const QPoint &delta)
{
    int w = m_pressWindowSize.width();
    int h = m_pressWindowSize.height();
    int x = m_pressWindowPos.x();
    int y = m_pressWindowPos.y();
    const int minW = m_window->minimumWidth();
    const int minH = m_window->minimumHeight();

    // Sizes come from the press, so the far edge stays where it was.
    if (m_horizontalEdgeAtPress == LeftEdge) {
        w = qMax(w - delta.x(), minW);
        x += m_pressWindowSize.width() - w;
    } else if (m_horizontalEdgeAtPress == RightEdge) {
        w = qMax(w + delta.x(), minW);
    }
    if (m_verticalEdgeAtPress == TopEdge) {
        h = qMax(h - delta.y(), minH);
        y += m_pressWindowSize.height() - h;
    } else if (m_verticalEdgeAtPress == BottomEdge) {
        h = qMax(h + delta.y(), minH);
    }

    m_window->move(x, y);
    m_window->resize(w, h);
}

void CustomWindowEventFilter::updateCursor(const QPoint &local)
{
    const int h = horizontalEdge(local);
    const int v = verticalEdge(local);
    if (h == NoEdge) {
        if (v == NoEdge)
            m_window->unsetCursor();
        else
            m_window->setCursor(Qt::SizeVerCursor);
    } else if (v == NoEdge) {
        m_window->setCursor(Qt::SizeHorCursor);
    } else {
        // Top-left and bottom-right share one diagonal, the other two the other.
        const bool falling = (h == LeftEdge) == (v == TopEdge);
        m_window->setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    }
}

void CustomWindowEventFilter::endDrag(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressGlobalPos = QPoint();
    m_pressWindowPos = QPoint();
    m_pressWindowSize = QSize();
    m_dragOp = None;
    updateCursor(event->position().toPoint());
}
