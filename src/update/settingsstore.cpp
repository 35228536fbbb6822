#include "settingsstore.h"

#include "platform/errors.h"
#include "wholenumber.h"

#include <QSettings>
#include <QVariant>

std::unique_ptr<SettingsFile> SettingsStore;

namespace {

QString &pathOverride()
{
    static QString path;
    return path;
}

QString keyOf(const QString &section, const QString &name)
{
    return section + u'/' + name;
}

SettingsError notText(const QString &name)
{
    return SettingsError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

SettingsError notWritten(const QString &name)
{
    return SettingsError(QStringLiteral("Failed to set data for '%1'").arg(name));
}

// After a sync that reported trouble: whether a fresh look at the file finds the text stored.
// A file that was unreadable before the write reports trouble even when the write replaced it.
bool storedAsWritten(const QString &path, const QString &key, const QString &text)
{
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() == QSettings::AccessError)
        return false;
    const QVariant value = settings.value(key);
    return value.typeId() == QMetaType::QString && value.toString() == text;
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

QString SettingsFile::ReadString(const QString &section, const QString &name,
                                 const QString &defaultText) const
{
    // A file that cannot be parsed in full still gives what it holds; the rest reads as missing.
    const QSettings settings(m_path, QSettings::IniFormat);
    const QString key = keyOf(section, name);
    if (!settings.contains(key))
        return defaultText;
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString)
        throw notText(name);
    return value.toString();
}

qint32 SettingsFile::ReadInteger(const QString &section, const QString &name, qint32 defaultValue) const
{
    return parseWholeNumber(ReadString(section, name, QString())).value_or(defaultValue);
}

void SettingsFile::WriteString(const QString &section, const QString &name, const QString &text)
{
    const QString key = keyOf(section, name);
    bool trouble = false;
    {
        QSettings settings(m_path, QSettings::IniFormat);
        settings.setValue(key, text);
        settings.sync();
        trouble = settings.status() != QSettings::NoError;
    }
    if (trouble && !storedAsWritten(m_path, key, text))
        throw notWritten(name);
}

void SettingsFile::WriteInteger(const QString &section, const QString &name, qint32 value)
{
    WriteString(section, name, QString::number(value));
}

QString SettingsFilePath()
{
    if (!pathOverride().isEmpty())
        return pathOverride();
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("PALVEX"),
                     QStringLiteral("Thermira"))
        .fileName();
}

void setSettingsFileForTesting(const QString &path)
{
    pathOverride() = path;
}

void OpenSettingsStore()
{
    SettingsStore.reset();
    const QString path = SettingsFilePath();
    const QSettings probe(path, QSettings::IniFormat);
    if (probe.status() == QSettings::AccessError)
        throw SettingsError(QStringLiteral("Cannot open the settings file \"%1\"").arg(path));
    SettingsStore = std::make_unique<SettingsFile>(path);
}

namespace {

void writeShowUpdate(qint32 value)
{
    if (!SettingsStore)
        throw SettingsError(QStringLiteral("The settings store is not open"));
    SettingsStore->WriteInteger(SettingsSection, QStringLiteral("ShowUpdate"), value);
}

} // namespace

void ShowUpdateOff()
{
    writeShowUpdate(0);
}

void ShowUpdateOn()
{
    writeShowUpdate(1);
}
