#pragma once

#include <QString>

#include <memory>

// The program's per-user settings in the platform's own store (the registry on Windows; the
// INI-style file "PALVEX/Thermira.conf" in the user's config folder, readable by its owner only,
// elsewhere), whose values are all kept as text. Every operation opens the store afresh, so one
// object may be used from the worker thread first and from the user-interface thread afterwards.
class SettingsFile final
{
public:
    explicit SettingsFile(QString path);

    const QString &fileName() const { return m_path; }

    // The stored text, or the default when the value does not exist. Throws SettingsError when
    // the stored value is not text (a list, a byte array, an @Variant, ...).
    QString ReadString(const QString &section, const QString &name, const QString &defaultText) const;
    // The stored text as a decimal whole number; the default when the value is missing, empty or
    // not a whole number. Throws SettingsError like ReadString.
    qint32 ReadInteger(const QString &section, const QString &name, qint32 defaultValue) const;
    // Store the text (or the decimal text of the value), replacing any earlier value. Throws
    // SettingsError when the file cannot be written.
    void WriteString(const QString &section, const QString &name, const QString &text);
    void WriteInteger(const QString &section, const QString &name, qint32 value);

private:
    QString m_path;
};

// The only section the program uses.
inline const QString SettingsSection = QStringLiteral("Settings");

// The one open store of the process: opened by the update check worker, used afterwards by the
// main window's "Update Notifications" item. Null until opened, or when opening failed.
extern std::unique_ptr<SettingsFile> SettingsStore;

// Opens SettingsStore on the user's settings file (or the file named for tests). A user store that
// does not exist yet first takes over the values of the "Thermira.ini" of earlier builds. Throws
// SettingsError when the file cannot be opened (it is a folder, say); SettingsStore is null then.
void OpenSettingsStore();
// The file OpenSettingsStore uses.
QString SettingsFilePath();
// Points OpenSettingsStore at another file; an empty path restores the user's own.
void setSettingsFileForTesting(const QString &path);

// "ShowUpdate" in SettingsStore: 0 turns update notifications off, 1 on, from the next start.
// Both throw SettingsError when the value cannot be written.
void ShowUpdateOff();
void ShowUpdateOn();
