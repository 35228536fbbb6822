#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: the check that stops the run on a broken property, the way an
// input becomes texts, and a scratch folder for targets that go through real files.

[[noreturn]] void fuzzCheckFailed(const char *condition, const char *file, int line);

// A property every input must keep. A violation aborts, so libFuzzer keeps the input as a
// finding and the replay fails.
#define FUZZ_CHECK(condition) ((condition) ? void() : fuzzCheckFailed(#condition, __FILE__, __LINE__))

// The texts an input carries: an even first byte reads the rest as UTF-8 (invalid sequences
// become U+FFFD), an odd one as UTF-16 LE code units, so that unpaired surrogates can be reached.
// U+FFFF, which no text holds, separates the texts.
QStringList textsFrom(QByteArrayView data);

inline QByteArrayView bytesOf(const uint8_t *data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A folder of this process, on a memory file system where there is one, removed at exit.
const QString &scratchFolder();

// Whether every surrogate of the text is half of a pair: only such texts have a UTF-8 form.
bool hasUtf8Form(QStringView text);
