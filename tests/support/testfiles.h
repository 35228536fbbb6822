#pragma once

#include <QByteArray>
#include <QString>

// Small file helpers for tests that look at the bytes a command wrote.

// The whole file, or "<missing>" when it cannot be read.
QByteArray readFileBytes(const QString &path);
// Creates or replaces the file with exactly these bytes.
bool writeFileBytes(const QString &path, const QByteArray &bytes);
