#pragma once

#include <QString>

// The text scrambler the announced download address is stored with: a byte stream cipher over
// the text's UTF-8 form with a 16-bit key register, written as hexadecimal digits.
inline constexpr quint16 ScrambleSeed = 0x00A7;
inline constexpr quint16 ScrambleMultiplier = 0x3B91;
inline constexpr quint16 ScrambleAddend = 0x64E3;

// Two upper-case hexadecimal digits per UTF-8 byte of the text.
QString ScrambleText(const QString &text, quint16 seed);
// The text back from its digits (either letter case; an odd last digit is ignored), or the empty
// text when any pair is not two hexadecimal digits.
QString UnscrambleText(const QString &hexText, quint16 seed);
