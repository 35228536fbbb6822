#include "clientfacts.h"

#include <QCryptographicHash>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QRegularExpression>

#include <cctype>
#include <limits>

#ifdef _WIN32
#include "platform/errors.h"

#include <windows.h>

#include <lm.h>

#include <vector>
#else
#include <sys/utsname.h>
#endif

namespace {

// Fixed for this program: the machine's identifier is derived from it, so changing it gives
// every machine a new identifier.
constexpr unsigned char ApplicationKey[16] = {0x48, 0x90, 0x31, 0xbf, 0x21, 0xf9, 0x04, 0x64,
                                              0x1d, 0x88, 0xa7, 0xa6, 0xa4, 0x26, 0x79, 0xef};

// Leading decimal digits of a text ("04" is 4, "18-amd64" is 18); 0 when there are none.
int leadingNumber(QStringView text)
{
    int value = 0;
    for (const QChar c : text) {
        if (!c.isDigit() || c.unicode() > 0x7F || value > 100000000)
            break;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

QString osReleaseValue(const QByteArray &osRelease, QByteArrayView key)
{
    for (QByteArray line : osRelease.split('\n')) {
        line = line.trimmed();
        if (!line.startsWith(key) || line.size() <= key.size() || line.at(key.size()) != '=')
            continue;
        QByteArray value = line.mid(key.size() + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        value.replace("\\\"", "\"").replace("\\$", "$").replace("\\`", "`").replace("\\\\", "\\");
        return QString::fromUtf8(value);
    }
    return {};
}

// 16 bytes from 32 hexadecimal digits; empty for anything else, the all-zero ID included.
QByteArray parseMachineId(const QByteArray &text)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.size() != 32)
        return {};
    for (const char c : trimmed) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
    }
    const QByteArray id = QByteArray::fromHex(trimmed);
    if (id.count('\0') == id.size())
        return {};
    return id;
}

QString appSpecificId(const QByteArray &machineId)
{
    QByteArray id = QMessageAuthenticationCode::hash(
                        QByteArray(reinterpret_cast<const char *>(ApplicationKey), sizeof ApplicationKey),
                        machineId, QCryptographicHash::Sha256)
                        .left(16);
    id[6] = char((id.at(6) & 0x0F) | 0x40);
    id[8] = char((id.at(8) & 0x3F) | 0x80);
    const QByteArray hex = id.toHex();
    return QString::fromLatin1(hex.left(8) + '-' + hex.mid(8, 4) + '-' + hex.mid(12, 4) + '-' +
                               hex.mid(16, 4) + '-' + hex.mid(20));
}

#ifdef _WIN32

OSFacts readWindowsOSFacts()
{
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW *>(&info));
    OSFacts facts;
    facts.major = int(info.dwMajorVersion);
    facts.minor = int(info.dwMinorVersion);
    facts.build = int(info.dwBuildNumber);
    facts.servicePack = int(info.wServicePackMajor);
    const bool workstation = info.wProductType == VER_NT_WORKSTATION;
    if (facts.major > 5 || (facts.major == 5 && facts.minor >= 1)) {
        SYSTEM_INFO system{};
        GetNativeSystemInfo(&system);
        facts.is64Bit = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    }
    // Past 6.1 the version record lies to programs without a manifest entry for the system;
    // kernel32.dll's own version does not.
    if (facts.major > 6 || (facts.major == 6 && facts.minor > 1)) {
        bool fromKernel = false;
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(L"kernel32.dll", &handle);
        if (size > 0) {
            std::vector<unsigned char> data(size);
            VS_FIXEDFILEINFO *fixed = nullptr;
            UINT length = 0;
            if (GetFileVersionInfoW(L"kernel32.dll", 0, size, data.data()) &&
                VerQueryValueW(data.data(), L"\\", reinterpret_cast<void **>(&fixed), &length) && fixed) {
                facts.major = int(HIWORD(fixed->dwProductVersionMS));
                facts.minor = int(LOWORD(fixed->dwProductVersionMS));
                facts.build = int(HIWORD(fixed->dwProductVersionLS));
                fromKernel = true;
            }
        }
        WKSTA_INFO_100 *station = nullptr;
        if (!fromKernel &&
            NetWkstaGetInfo(nullptr, 100, reinterpret_cast<LPBYTE *>(&station)) == NERR_Success) {
            facts.major = int(station->wki100_ver_major);
            facts.minor = int(station->wki100_ver_minor);
            NetApiBufferFree(station);
        }
    }
    facts.name = windowsProductName(facts.major, facts.minor, workstation, facts.is64Bit,
                                    GetSystemMetrics(SM_SERVERR2) != 0);
    return facts;
}

struct WindowsLocale
{
    LCID lcid;
    QString name;
};

QString localeInfo(LCID lcid, LCTYPE type)
{
    wchar_t buffer[128] = {};
    const int length = GetLocaleInfoW(lcid, type, buffer, 128);
    return length > 1 ? QString::fromWCharArray(buffer, length - 1) : QString();
}

std::vector<WindowsLocale> *collectingLocales = nullptr; // only while the list is built

BOOL CALLBACK collectLocale(LPWSTR text)
{
    static_assert(sizeof(wchar_t) == 2);
    const QString hex = QString::fromWCharArray(text);
    bool ok = false;
    const LCID lcid = LCID(hex.right(4).toUInt(&ok, 16));
    if (!ok || localeInfo(lcid, LOCALE_SABBREVLANGNAME).isEmpty())
        return TRUE;
    collectingLocales->push_back(
        {lcid, localeInfo(lcid, LOCALE_SISO639LANGNAME) + u'-' + localeInfo(lcid, LOCALE_SISO3166CTRYNAME)});
    return TRUE;
}

const std::vector<WindowsLocale> &systemLocales()
{
    static const std::vector<WindowsLocale> locales = [] {
        std::vector<WindowsLocale> list;
        collectingLocales = &list;
        EnumSystemLocalesW(collectLocale, LCID_SUPPORTED);
        collectingLocales = nullptr;
        return list;
    }();
    return locales;
}

LCID startupLocale()
{
    static const LCID lcid = [] {
        const LCID thread = GetThreadLocale();
        return thread == 0 ? LCID(1033) : thread;
    }();
    return lcid;
}

QString windowsMachineGuid()
{
    HKEY key = nullptr;
    const REGSAM rights[] = {KEY_READ, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                             KEY_QUERY_VALUE};
    bool opened = false;
    for (const REGSAM right : rights) {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", 0,
                          right | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
            opened = true;
            break;
        }
    }
    if (!opened)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    QString result;
    if (RegQueryValueExW(key, L"MachineGuid", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            RegCloseKey(key);
            throw SettingsError(
                QStringLiteral("Invalid data type for '%1'").arg(QStringLiteral("MachineGuid")));
        }
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key, L"MachineGuid", nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()),
                             &size) == ERROR_SUCCESS)
            result = QString::fromWCharArray(buffer.data());
    }
    RegCloseKey(key);
    return result;
}

#endif

} // namespace

QString formatOSDescription(const OSFacts &facts)
{
    const QString edition =
        facts.is64Bit ? QStringLiteral("64-bit Edition") : QStringLiteral("32-bit Edition");
    const QString servicePack = facts.servicePack == 0
                                    ? QString()
                                    : QStringLiteral(" Service Pack ") + QString::number(facts.servicePack);
    return facts.name + servicePack + QStringLiteral(" (Version ") + QString::number(facts.major) + u'.' +
           QString::number(facts.minor) + QStringLiteral(", Build ") + QString::number(facts.build) +
           QStringLiteral(", ") + edition + u')';
}

QString windowsProductName(int major, int minor, bool workstation, bool x64, bool serverR2)
{
    const auto pick = [workstation](const char *client, const char *server) {
        return QString::fromLatin1(workstation ? client : server);
    };
    if (major == 5 && minor == 0)
        return QStringLiteral("Windows 2000");
    if (major == 5 && minor == 1)
        return QStringLiteral("Windows XP");
    if (major == 5 && minor == 2) {
        if (workstation && x64)
            return QStringLiteral("Windows XP");
        return serverR2 ? QStringLiteral("Windows Server 2003 R2") : QStringLiteral("Windows Server 2003");
    }
    if (major == 6 && minor == 0)
        return pick("Windows Vista", "Windows Server 2008");
    if (major == 6 && minor == 1)
        return pick("Windows 7", "Windows Server 2008 R2");
    if (major == 6 && minor == 2)
        return pick("Windows 8", "Windows Server 2012");
    if (major == 6 && minor == 3)
        return pick("Windows 8.1", "Windows Server 2012 R2");
    if (major == 10 && minor == 0)
        return pick("Windows 10", "Windows Server 2016");
    return QStringLiteral("Windows");
}

OSFacts linuxOSFacts(const QByteArray &osRelease, const QString &kernelRelease, const QString &machine)
{
    OSFacts facts;
    facts.name = osReleaseValue(osRelease, "NAME");
    if (facts.name.isEmpty())
        facts.name = QStringLiteral("Linux");

    const QStringList kernel = kernelRelease.split(u'.');
    const int kernelMajor = leadingNumber(kernel.value(0));
    const int kernelMinor = leadingNumber(kernel.value(1));
    // A release number no kernel has (eight digits or more) saturates instead of overflowing.
    facts.build = int(qMin(qint64(kernelMajor) * 100 + kernelMinor, qint64(std::numeric_limits<int>::max())));

    const QString versionId = osReleaseValue(osRelease, "VERSION_ID");
    static const QRegularExpression shape(QStringLiteral("^(\\d+)(?:\\.(\\d+))?.*?(?:-SP(\\d+))?$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = shape.match(versionId);
    if (!versionId.isEmpty() && match.hasMatch()) {
        facts.major = leadingNumber(match.capturedView(1));
        facts.minor = leadingNumber(match.capturedView(2));
        facts.servicePack = leadingNumber(match.capturedView(3));
    } else {
        facts.major = kernelMajor;
        facts.minor = kernelMinor;
    }

    facts.is64Bit = machine.contains(QLatin1String("64")) || machine == QLatin1String("s390x");
    return facts;
}

OSFacts readLinuxOSFacts(const QStringList &osReleaseFiles)
{
    QByteArray osRelease;
    for (const QString &path : osReleaseFiles) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            osRelease = file.read(64 * 1024);
            break;
        }
    }
    QString release;
    QString machine;
#ifndef _WIN32
    utsname names{};
    if (uname(&names) == 0) {
        release = QString::fromLocal8Bit(names.release);
        machine = QString::fromLocal8Bit(names.machine);
    }
#endif
    return linuxOSFacts(osRelease, release, machine);
}

QString OSDescription()
{
#ifdef _WIN32
    static const QString description = formatOSDescription(readWindowsOSFacts());
#else
    static const QString description = formatOSDescription(readLinuxOSFacts());
#endif
    return description;
}

QString localeNameFor(const QLocale &locale)
{
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage ||
        locale.territory() == QLocale::AnyTerritory)
        return QStringLiteral("xx");
    const QString language = QLocale::languageToCode(locale.language());
    const QString territory = QLocale::territoryToCode(locale.territory());
    if (language.isEmpty() || territory.isEmpty())
        return QStringLiteral("xx");
    return language + u'-' + territory;
}

QString UserLocaleName()
{
#ifdef _WIN32
    for (const WindowsLocale &entry : systemLocales()) {
        if (entry.lcid == startupLocale())
            return entry.name;
    }
    return QStringLiteral("xx");
#else
    return localeNameFor(QLocale::system());
#endif
}

QString machineIdFrom(const QStringList &machineIdFiles)
{
    for (const QString &path : machineIdFiles) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray id = parseMachineId(file.read(256));
        if (!id.isEmpty())
            return appSpecificId(id);
    }
    return {};
}

QString MachineId()
{
#ifdef _WIN32
    return windowsMachineGuid();
#else
    return machineIdFrom();
#endif
}
