#include "windowdrag.h"

#include <QMouseEvent>
#include <QWidget>

WindowDrag::WindowDrag(QWidget *window) : QObject(window), m_window(window) {}

void WindowDrag::bind(QWidget *control)
{
    control->installEventFilter(this);
}

void WindowDrag::FormMouseDown(QWidget *control, Qt::MouseButton button, QPoint clientPos)
{
    if (button != Qt::LeftButton && button != Qt::MiddleButton)
        return;
    const QPoint screen = control->mapToGlobal(clientPos);
    dx = screen.x();
    dy = screen.y();
    m_dragging = true;
}

void WindowDrag::FormMouseMove(QWidget *control, QPoint clientPos)
{
    if (!m_dragging || !m_window)
        return;
    const QPoint screen = control->mapToGlobal(clientPos);
    const int left = m_window->x() + screen.x() - dx;
    const int top = m_window->y() + screen.y() - dy;
    dx = screen.x();
    dy = screen.y();
    m_window->move(left, top);
}

void WindowDrag::FormMouseUp()
{
    m_dragging = false;
}

bool WindowDrag::eventFilter(QObject *watched, QEvent *event)
{
    auto *control = qobject_cast<QWidget *>(watched);
    if (!control)
        return false;
    // The client position is taken from the event's screen position: once the window has moved,
    // positions computed against its old place would add the move a second time. An event that
    // drives the drag is consumed, so that a bound parent does not handle it again when it
    // climbs up from a bound child.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        FormMouseDown(control, mouse->button(), control->mapFromGlobal(mouse->globalPosition().toPoint()));
        return m_dragging;
    }
    case QEvent::MouseMove: {
        if (!m_dragging)
            return false;
        auto *mouse = static_cast<QMouseEvent *>(event);
        FormMouseMove(control, control->mapFromGlobal(mouse->globalPosition().toPoint()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        FormMouseUp();
        return false;
    default:
        return false;
    }
}
