#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

// Moves a borderless window when the user presses on its surface and drags. Bound to the
// window and to chosen child controls; a press with the left or middle button starts a drag,
// the right button does not; any release ends it. Every move is taken relative to the last
// screen position, so it does not matter which bound control delivers the events, and the
// window is not kept on the screen.
class WindowDrag final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowDrag)

public:
    explicit WindowDrag(QWidget *window);

    // Routes the control's mouse presses, moves and releases to the handlers below.
    void bind(QWidget *control);

    void FormMouseDown(QWidget *control, Qt::MouseButton button, QPoint clientPos);
    void FormMouseMove(QWidget *control, QPoint clientPos);
    void FormMouseUp();

    bool dragging() const { return m_dragging; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    bool m_dragging = false;
    int dx = 0;
    int dy = 0;
};
