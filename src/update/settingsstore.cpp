#include "settingsstore.h"

#include "platform/errors.h"
#include "platform/logging.h"
#include "wholenumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

std::unique_ptr<SettingsFile> SettingsStore;

namespace {

// The registry on Windows, an INI-style file ("Thermira.conf") elsewhere.
constexpr QSettings::Format StoreFormat = QSettings::NativeFormat;

QString &pathOverride()
{
    static QString path;
    return path;
}

QString keyOf(const QString &section, const QString &name)
{
    return section + u'/' + name;
}

// The store is private to the user: its file is created readable by its owner only (later
// writes replace it keeping its permissions). Nothing to do when it exists or is the registry.
void createPrivately(const QString &path)
{
#ifndef Q_OS_WIN
    if (QFileInfo::exists(path) || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        qCWarning(lcThermira) << "settings file not created:" << path << file.errorString();
#else
    Q_UNUSED(path)
#endif
}

// Earlier builds kept the values in "Thermira.ini" beside where the store is now. They are taken
// over, every value as it was, when the store does not exist yet; the old file is left alone.
void takeOverEarlierFile(const QString &path)
{
    const QString earlier = QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("PALVEX"),
                                      QStringLiteral("Thermira"))
                                .fileName();
    if (earlier == path || !QFileInfo::exists(earlier))
        return;
#ifndef Q_OS_WIN
    if (QFileInfo::exists(path))
        return;
#else
    if (!QSettings(path, StoreFormat).allKeys().isEmpty())
        return;
#endif
    createPrivately(path);
    QSettings store(path, StoreFormat);
    const QSettings old(earlier, QSettings::IniFormat);
    for (const QString &key : old.allKeys())
        store.setValue(key, old.value(key));
    store.sync();
    if (store.status() != QSettings::NoError)
        qCWarning(lcThermira) << "settings of" << earlier << "not taken over into" << path;
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
    QSettings settings(path, StoreFormat);
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
    const QSettings settings(m_path, StoreFormat);
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
    createPrivately(m_path);
    {
        QSettings settings(m_path, StoreFormat);
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
    return QSettings(StoreFormat, QSettings::UserScope, QStringLiteral("PALVEX"), QStringLiteral("Thermira"))
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
    const QSettings probe(path, StoreFormat);
    if (probe.status() == QSettings::AccessError)
        throw SettingsError(QStringLiteral("Cannot open the settings file \"%1\"").arg(path));
    if (pathOverride().isEmpty())
        takeOverEarlierFile(path);
    createPrivately(path);
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
