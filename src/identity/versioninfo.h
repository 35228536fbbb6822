#pragma once

#include <QString>
#include <QtGlobal>

// The string values of a version record, in the record's order.
struct TEXEVersionData
{
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFileName;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString PrivateBuild;
    QString SpecialBuild;
};

// Fills the fields whose values the named file's version record holds (first translation
// only, block names compared without regard to case); the others keep their values.
// Throws SystemError when the file has no readable version record or no translation list.
void GetEXEVersionData(const QString &fileName, TEXEVersionData &data);

// The most significant half of the fixed file version (major << 16 | minor), or 0xFFFFFFFF
// when the file has no readable version record. Never throws.
quint32 ReadFixedFileVersion(const QString &fileName);
