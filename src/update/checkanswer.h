#pragma once

#include <QString>
#include <QStringList>

// Reading the update service's answer: tagged lines at fixed positions. Rejections go to the
// error record (checkerrors.h).

using CheckAnswer = QStringList; // the answer's lines

// Whether the answer may be used: no "ERROR" at the start of line 1, the "result" marker of
// line 4 "0" or "1", and nothing recorded in the error record, earlier entries included.
bool AcceptCheckAnswer(const CheckAnswer &answer);

// The value of a line that is exactly "<tag>value</tag>" (tag in lower case), else empty.
QString ExtractTagValue(const QString &line, const QString &tag);

// An announced version counts as new when it differs from the running one and its digits, with
// every "." removed, read as a 32-bit whole number. Numbers are not compared.
bool IsNewVersion(const QString &announced, const QString &running);

// The answer text as lines, split at CR LF, CR or LF; a break at the very end adds no line.
CheckAnswer splitAnswerLines(const QString &text);

// The values of a usable answer: line 1 "version", line 2 "url", line 6 "important".
QString announcedVersion(const CheckAnswer &answer);
QString announcedAddress(const CheckAnswer &answer);
QString announcedMessage(const CheckAnswer &answer);
