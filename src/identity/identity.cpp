#include "identity.h"

#include "platform/errors.h"
#include "versioninfo.h"

#include <QCoreApplication>

QString AppCompanyName;
QString AppProductName;
QString AppCaption;
QString AppVersion;
QChar AppListSeparator = QChar(u',');
QStringList CountryTable;

QString formatAppVersion(quint32 fileVersionMS)
{
    return QStringLiteral("%1.%2").arg(fileVersionMS >> 16).arg(fileVersionMS & 0xFFFF);
}

QString assignIdentity(const QString &programFile)
{
    TEXEVersionData version;
    QString failure;
    try {
        GetEXEVersionData(programFile, version);
    } catch (const ThermiraError &error) {
        failure = error.message();
    }
    AppCompanyName = version.CompanyName;
    AppProductName = version.ProductName;
    AppVersion = formatAppVersion(ReadFixedFileVersion(programFile));
    AppCaption = AppCompanyName + QStringLiteral(" - ") + AppProductName;
    return failure;
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString programFile()
{
    return QCoreApplication::applicationFilePath();
}
