#pragma once

#include <QChar>
#include <QLocale>

// The field separator of location files: ";" where the locale writes decimal commas,
// "," otherwise (also when the locale's separator would be longer than one character).
QChar listSeparatorFor(const QLocale &locale);
