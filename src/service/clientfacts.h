#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Facts about the machine and its user that travel with every update check.

// One line naming the operating system, e.g.
// "Debian GNU/Linux (Version 12.0, Build 601, 64-bit Edition)". Gathered once per process.
QString OSDescription();
// The user's locale as language "-" territory (en-US); "xx" when it cannot be had.
QString UserLocaleName();
// This program's identifier of the machine; empty when the system keeps none. Read on each call.
QString MachineId();

struct OSFacts
{
    QString name;
    int major = 0;
    int minor = 0;
    int build = 0;
    int servicePack = 0; // 0 when none
    bool is64Bit = false;
};

// "%s (Version %d.%d, Build %d, %s)", or with " Service Pack %d" after the name when there is one.
QString formatOSDescription(const OSFacts &facts);

// The name Windows systems go by, from the version and product type; "Windows" when unknown.
QString windowsProductName(int major, int minor, bool workstation, bool x64, bool serverR2);

// On Linux: the name is os-release's NAME ("Linux" without one). Major, minor and service pack
// come from VERSION_ID: "12" is 12.0, "22.04" is 22.4, "15-SP5" is 15.0 with Service Pack 5;
// without a VERSION_ID (rolling releases) the kernel's major and minor stand in. The build is
// the running kernel's major * 100 + minor (kernel 6.1.0-18-amd64 gives 601). 64-bit is the
// machine type of uname (x86_64, aarch64, ppc64le, s390x, riscv64, ...).
OSFacts linuxOSFacts(const QByteArray &osRelease, const QString &kernelRelease, const QString &machine);
// Reads the first os-release file that exists and uname.
OSFacts readLinuxOSFacts(const QStringList &osReleaseFiles = {QStringLiteral("/etc/os-release"),
                                                              QStringLiteral("/usr/lib/os-release")});

// The locale name of a locale: ISO 639 language and ISO 3166 territory joined by "-"; "xx" for
// the C locale or a locale without territory.
QString localeNameFor(const QLocale &locale);

// The machine's identifier for this program: HMAC-SHA256 keyed by the 128-bit machine ID over
// this program's fixed key, cut to 128 bits and marked as a version 4 UUID (the way systemd
// derives application-specific IDs), written in lower case with dashes. The machine ID itself is
// never given out: its manual forbids exposing it. Empty when no file holds a valid machine ID.
QString machineIdFrom(const QStringList &machineIdFiles = {QStringLiteral("/etc/machine-id"),
                                                           QStringLiteral("/var/lib/dbus/machine-id")});
