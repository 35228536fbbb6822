#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>
#include <utility>

// One string table of a version record: its key (language and code page as eight hex digits,
// e.g. "040904E4") and its name/value pairs in record order.
struct VersionStringTable
{
    QString key;
    QList<std::pair<QString, QString>> strings;
};

// Everything that goes into a version record.
struct VersionRecordValues
{
    bool hasFixedPart = true;
    std::array<quint16, 4> fileVersion{};
    std::array<quint16, 4> productVersion{};
    QList<VersionStringTable> tables;
    // Each entry: language in the low word, code page in the high word. No entry, no VarFileInfo.
    QList<quint32> translations;
};

// The record in the Windows version-resource layout (VS_VERSIONINFO): little-endian, UTF-16
// keys, every block 32-bit aligned. Returns an empty array when the record would not fit the
// 16-bit length of its root block.
QByteArray buildVersionRecord(const VersionRecordValues &values);
