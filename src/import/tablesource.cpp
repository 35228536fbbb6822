#include "tablesource.h"

#include "locations/locationfile.h"
#include "platform/textlinefile.h"

TableSource TableSource::file(const QString &path)
{
    TableSource source;
    source.m_path = path;
    return source;
}

TableSource TableSource::pasted(const QString &text)
{
    TableSource source;
    source.m_pasted = text.toUtf8();
    const qsizetype nul = source.m_pasted.indexOf('\0');
    if (nul >= 0)
        source.m_pasted.truncate(nul);
    return source;
}

QByteArray TableSource::readText() const
{
    if (!isFile())
        return m_pasted;
    refuseSpecialFile(m_path);
    return decodeTextToUtf8(readRawFile(m_path), TextEncoding::system());
}

TableSource::Head TableSource::readHead(qsizetype maxBytes) const
{
    Head head;
    if (!isFile()) {
        head.complete = m_pasted.size() <= maxBytes;
        head.text = head.complete ? m_pasted : m_pasted.first(maxBytes);
        return head;
    }
    refuseSpecialFile(m_path);
    QByteArray bytes = readRawFile(m_path, maxBytes + 1);
    head.complete = bytes.size() <= maxBytes;
    if (!head.complete)
        bytes.truncate(maxBytes);
    head.text = decodeTextToUtf8(std::move(bytes), TextEncoding::system());
    return head;
}
