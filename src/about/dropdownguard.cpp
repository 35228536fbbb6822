#include "dropdownguard.h"

#include <chrono>

quint32 tickCountMs()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<quint32>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

DropDownGuard::DropDownGuard(TickSource ticks) : m_ticks(std::move(ticks)) {}

void DropDownGuard::setTickSource(TickSource ticks)
{
    m_ticks = std::move(ticks);
}

bool DropDownGuard::mayDropDown(QObject *button, QObject *menu)
{
    if (m_lastButton && m_lastMenu && m_lastButton == button && m_lastMenu == menu &&
        quint32(m_ticks() - m_closedAt) < ReclickMs) {
        m_lastButton.clear();
        m_lastMenu.clear();
        return false;
    }
    return true;
}

void DropDownGuard::menuClosed(QObject *button, QObject *menu)
{
    m_closedAt = m_ticks();
    m_lastButton = button;
    m_lastMenu = menu;
}
