#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Simple, slow, obviously right implementations the targets compare the program against.

// The text of well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF, no
// cut-off sequence), a leading U+FEFF included; nothing for any other bytes.
std::optional<QString> referenceUtf8(QByteArrayView bytes);

// UTF-16 code units as they are, two bytes each; nothing for an odd number of bytes.
std::optional<QString> referenceUtf16(QByteArrayView bytes, bool bigEndian);

// Lines ended by CR LF, CR or LF; a break at the very end adds no empty line.
QStringList referenceLines(QStringView text);

// Blanks, an optional sign, at least one ASCII digit and nothing after, within 32 bits.
std::optional<qint32> referenceWholeNumber(QStringView text);

// A table cell (UTF-8) read as one coordinate: blanks (space, tab) around it, a degree sign
// after it, a sign ("+", "-" or U+2212), digits with at most one decimal mark (point or comma
// as given), at least one digit, at most 48 bytes once trimmed; nothing for anything else.
std::optional<double> referenceCellNumber(QByteArrayView cell, char decimalMark);
