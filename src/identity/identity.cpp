#include "identity.h"

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

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString programFile()
{
    return QCoreApplication::applicationFilePath();
}
