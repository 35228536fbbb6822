#pragma once

#include "service/postform.h"

#include <QString>
#include <QStringList>

#include <functional>

// One exchange with the maker's update service: the request, the HTTPS-then-HTTP post, and the
// reading of the tagged answer lines. Failures go to the error record (checkerrors.h).

using CheckRequest = FormFields;
using CheckAnswer = QStringList; // the answer's lines

inline constexpr int CheckTimeoutMs = 10000;

// cmd, appname, version, os, local, guid and howmany, in this order.
CheckRequest BuildCheckRequest(const QString &caption, const QString &versionText, const QString &machineId,
                               qint32 startCount);

// Posts to "https://" + CheckEndpoint(), and once more to "http://" + CheckEndpoint() when that
// fails; a successful plain retry clears the whole error record. No lines when both fail.
CheckAnswer SendCheckRequest(const CheckRequest &request);

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

// The post SendCheckRequest uses; tests put a scripted one in. An empty function restores PostForm.
using CheckPoster = std::function<QString(const QString &address, const FormFields &fields, int timeoutMs)>;
void setCheckPosterForTesting(CheckPoster poster);
