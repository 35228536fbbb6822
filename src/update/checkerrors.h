#pragma once

#include <QString>
#include <QStringView>

// What went wrong in the current update check run. Written only by the worker; nothing shows it
// to the user, but while CheckFailed is set an answer of the service is not used.
extern QString CheckErrors; // the entries in order, separated by two CRs
extern bool CheckFailed;    // a non-blank entry was recorded since the last clear

// Records one entry; an entry of only blanks and control characters records nothing.
void AddCheckError(const QString &entry);
void ClearCheckErrors();

// Whether nothing is left of the text once blanks and control characters are cut from its ends.
bool isBlankText(QStringView text);
