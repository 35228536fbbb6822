#pragma once

#include <QByteArray>
#include <QString>

// Where a table comes from: a file, or text pasted from the clipboard.
class TableSource
{
public:
    static TableSource file(const QString &path);
    static TableSource pasted(const QString &text);

    bool isFile() const { return !m_path.isEmpty(); }
    const QString &path() const { return m_path; }

    // The text as UTF-8: a file is decoded as every text file (byte-order marks, otherwise the
    // system's code page; a NUL ends it). Throws FileError "Cannot open file ...".
    QByteArray readText() const;
    // The first maxBytes of the file's bytes only, decoded the same way.
    struct Head
    {
        QByteArray text;
        bool complete = true; // the whole table
    };
    Head readHead(qsizetype maxBytes) const;

private:
    QString m_path;
    QByteArray m_pasted; // UTF-8
};
