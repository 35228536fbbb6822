#include "versioninfo.h"

#include "platform/errors.h"

// The reader of the embedded version record lands with the record's generator.
void GetEXEVersionData(const QString &, TEXEVersionData &)
{
    throw SystemError(QStringLiteral("A call to an OS function failed"));
}

quint32 ReadFixedFileVersion(const QString &)
{
    return 0xFFFFFFFF;
}
