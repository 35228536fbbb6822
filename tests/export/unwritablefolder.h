#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

// Makes an existing folder one in which this process cannot create a file, and undoes it when
// it goes. Read-only permissions stop an ordinary user but not root, so root makes the folder
// immutable instead. Where the file system has no immutable flag, root gets /sys, which no
// process may add files to. ok() tells whether the folder really refuses a new file.
class UnwritableFolder final
{
public:
    explicit UnwritableFolder(const QString &folder) : m_path(folder)
    {
        if (geteuid() != 0) {
            m_chmodded = ::chmod(QFile::encodeName(folder).constData(), 0555) == 0;
            m_errno = EACCES;
        } else if (setImmutable(folder, true)) {
            m_immutable = true;
            m_errno = EPERM;
        } else {
            m_path = QStringLiteral("/sys");
            m_errno = EACCES;
        }
        m_ok = refusesNewFile();
    }
    ~UnwritableFolder()
    {
        if (m_immutable)
            setImmutable(m_path, false);
        if (m_chmodded)
            ::chmod(QFile::encodeName(m_path).constData(), 0755);
    }
    UnwritableFolder(const UnwritableFolder &) = delete;
    UnwritableFolder &operator=(const UnwritableFolder &) = delete;

    bool ok() const { return m_ok; }
    // The folder to use: the one given, or /sys.
    const QString &path() const { return m_path; }
    // The error creating a file in it gives.
    int expectedErrno() const { return m_errno; }

private:
    static bool setImmutable(const QString &folder, bool on)
    {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    bool refusesNewFile() const
    {
        const QByteArray probe = QFile::encodeName(m_path + QStringLiteral("/.thermira-probe"));
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.constData());
            return false;
        }
        return errno == m_errno;
    }

    QString m_path;
    int m_errno = 0;
    bool m_immutable = false;
    bool m_chmodded = false;
    bool m_ok = false;
};
