#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// The decimal mark of the numbers in a column: "41.0082" or "41,0082".
enum class DecimalMark
{
    Point,
    Comma
};

// A number read from a table cell, with the plain decimal text the list keeps for it.
struct CellNumber
{
    double value = 0;
    QString text; // "-41.0082": no plus sign, no leading zeros, a point as decimal mark
};

struct CellPair
{
    CellNumber first;
    CellNumber second;
};

// Reads a cell (UTF-8) as one number: blanks around it, an optional sign ("+", "-" or the
// minus sign U+2212), digits with at most one decimal mark, an optional degree sign after.
// No exponent and no thousands separators: a coordinate has neither, and a cell with them is
// more likely something else.
std::optional<CellNumber> readNumber(QByteArrayView cell, DecimalMark mark);

// The same without making the text, for looking at many cells.
bool isNumber(QByteArrayView cell, DecimalMark mark, double *value = nullptr);

// Reads a cell holding two numbers as copied from web maps: "41.0082, 28.9784",
// "41.0082 28.9784", "(41.0082; 28.9784)". With a decimal comma the two are parted by a
// semicolon or blanks only.
std::optional<CellPair> readPair(QByteArrayView cell, DecimalMark mark);
bool isPair(QByteArrayView cell, DecimalMark mark, double *first = nullptr, double *second = nullptr);

// Digits after the decimal mark of a number cell (0 for whole numbers).
int fractionDigits(QByteArrayView cell, DecimalMark mark);
