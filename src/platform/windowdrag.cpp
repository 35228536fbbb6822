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
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        FormMouseDown(control, mouse->button(), mouse->position().toPoint());
        break;
    }
    case QEvent::MouseMove:
        FormMouseMove(control, static_cast<QMouseEvent *>(event)->position().toPoint());
        break;
    case QEvent::MouseButtonRelease:
        FormMouseUp();
        break;
    default:
        break;
    }
    return false;
}
