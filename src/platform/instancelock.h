#pragma once

#include <QString>

// Marks the process as a running Thermira for as long as it lives: a shared lock on
// "PALVEX_Thermira.lock" in the user's runtime folder. Nothing tests it, so a second copy runs
// like the first; an installer can look for running copies with an exclusive, non-blocking lock.
class InstanceLock final
{
public:
    explicit InstanceLock(const QString &name);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    bool isHeld() const { return m_fd >= 0; }
    static QString lockFilePath(const QString &name);

private:
    int m_fd = -1;
};
