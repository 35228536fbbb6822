#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

// Milliseconds since an arbitrary start, 32 bits, wrapping.
using TickSource = std::function<quint32()>;
quint32 tickCountMs();

// Keeps a drop-down button from reopening its menu with the very click that closed it: that
// click reaches the button right after the menu has gone. A click within 100 ms of the menu
// closing is swallowed once; the next click opens the menu again.
class DropDownGuard final
{
public:
    explicit DropDownGuard(TickSource ticks = tickCountMs);

    void setTickSource(TickSource ticks);
    // Whether the menu may drop down now. A refused click forgets the last drop.
    bool mayDropDown(QObject *button, QObject *menu);
    // Remembers the button, the menu and the time the menu closed.
    void menuClosed(QObject *button, QObject *menu);

    static constexpr quint32 ReclickMs = 100;

private:
    TickSource m_ticks;
    QPointer<QObject> m_lastButton;
    QPointer<QObject> m_lastMenu;
    quint32 m_closedAt = 0;
};
