#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// Values the whole program shares. Set once while the main window is created, before the
// event loop starts (and so before the update worker can start), read-only afterwards.
extern QString AppCompanyName;   // "PALVEX": CompanyName of the program's version record
extern QString AppProductName;   // "Thermira": ProductName of the version record
extern QString AppCaption;       // AppCompanyName + " - " + AppProductName
extern QString AppVersion;       // major.minor of the fixed file version, "2.0"
extern QChar AppListSeparator;   // field separator of location files
extern QStringList CountryTable; // the lines of countries.dat, exactly as read

// The application title: the caption of the error box.
inline constexpr char16_t ApplicationTitle[] = u"Thermira";

// "%d.%d" of the upper and lower 16 bits of the fixed file version's most significant half.
QString formatAppVersion(quint32 fileVersionMS);

// Sets AppCompanyName, AppProductName, AppVersion and AppCaption from the version record of
// the program file. All four are assigned even when the record cannot be read (then with what
// could be read), so nothing that runs later sees a half-set identity. Returns the reader's
// error message, or empty text; showing it is the caller's business.
QString assignIdentity(const QString &programFile);

// The folder of the program's own file, where countries.dat, leaflet/ and license.txt live.
QString programFolder();
// The program's own file.
QString programFile();
