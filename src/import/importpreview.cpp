#include "importpreview.h"

#include "tabledetection.h"
#include "tableimport.h"

#include <algorithm>

ImportPreview::ImportPreview(TableSource source) : m_source(std::move(source))
{
    m_head = m_source.readHead(TableHeadBytes);
    m_layout = detectLayout(m_head.text, m_head.complete, TableSampleRecords);
    readSampleAgain();
}

bool ImportPreview::hasText() const
{
    return std::any_of(m_head.text.begin(), m_head.text.end(),
                       [](char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n'; });
}

void ImportPreview::readSampleAgain()
{
    m_sample = readSample(m_head.text, m_head.complete, m_layout.separator, TableSampleRecords);
}

void ImportPreview::setSeparator(char separator)
{
    m_layout.separator = separator;
    readSampleAgain();
    m_layout.hasHeader = detectHeader(m_sample);
    detectColumns(m_sample, m_layout);
}

void ImportPreview::setHasHeader(bool hasHeader)
{
    m_layout.hasHeader = hasHeader;
    detectColumns(m_sample, m_layout);
}

void ImportPreview::setLatitudeColumn(int column)
{
    m_layout.latitudeColumn = column;
    m_layout.decimalMark = detectDecimalMark(m_sample, m_layout);
}

void ImportPreview::setLongitudeColumn(int column)
{
    m_layout.longitudeColumn = column;
    m_layout.decimalMark = detectDecimalMark(m_sample, m_layout);
}

void ImportPreview::setLabelColumn(int column)
{
    m_layout.labelColumn = column;
}

void ImportPreview::setDecimalMark(DecimalMark mark)
{
    m_layout.decimalMark = mark;
}

int ImportPreview::columnCount() const
{
    return sampleColumns(m_sample);
}

QString ImportPreview::columnName(int column) const
{
    if (m_layout.hasHeader && !m_sample.empty() && column < m_sample.front().cells.size()) {
        const QString name = QString::fromUtf8(m_sample.front().cells[column]).trimmed();
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("Column %1").arg(column + 1);
}

std::span<const SampleRecord> ImportPreview::dataRecords() const
{
    std::span<const SampleRecord> records(m_sample);
    return m_layout.hasHeader && !records.empty() ? records.subspan(1) : records;
}
