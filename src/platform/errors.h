#pragma once

#include <QString>
#include <exception>

// Errors are exceptions carrying the exact text the user is shown. Every user command runs
// through runCommand() (app/errorbox.h), so none of them ever crosses Qt's event loop.
class ThermiraError : public std::exception
{
public:
    explicit ThermiraError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    // Short name of the kind of failure; the update check records it with the message.
    virtual QString kindName() const { return QStringLiteral("Exception"); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The message as the user sees it: a "." is appended when the last character's code is above
// that of "." (system texts lose their full stop on the way in).
QString withClosingFullStop(const QString &message);

// A file could not be opened, created or written ("Cannot open file \"%s\". %s", ...).
class FileError final : public ThermiraError
{
public:
    using ThermiraError::ThermiraError;
    QString kindName() const override { return QStringLiteral("EFOpenError"); }
};

// A call into the operating system failed ("System Error.  Code: %d.\r\n%s%s").
class SystemError final : public ThermiraError
{
public:
    using ThermiraError::ThermiraError;
    QString kindName() const override { return QStringLiteral("EOSError"); }
};

// A form post failed: no connection, timeout, TLS, an HTTP status the plain path refuses, ...
class NetworkError final : public ThermiraError
{
public:
    using ThermiraError::ThermiraError;
    QString kindName() const override { return QStringLiteral("ENetHTTPClientException"); }
};

// A stored setting could not be read or written.
class SettingsError final : public ThermiraError
{
public:
    using ThermiraError::ThermiraError;
    QString kindName() const override { return QStringLiteral("ERegistryException"); }
};
