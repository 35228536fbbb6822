#include "importtexts.h"

#include <QLocale>
#include <QStringList>

namespace {

QString count(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

QString rows(qint64 n)
{
    return count(n) + (n == 1 ? QStringLiteral(" row") : QStringLiteral(" rows"));
}

// "row 4", "rows 4, 9, 12", or "rows 4, 9, 12 and 7 more" when more were skipped than named.
QString rowNumbers(const ImportResult &result)
{
    QStringList numbers;
    for (const qint64 row : result.firstSkippedRows)
        numbers << count(row);
    QString text = (result.firstSkippedRows.size() == 1 ? QStringLiteral("row ") : QStringLiteral("rows ")) +
                   numbers.join(QStringLiteral(", "));
    if (result.skipped > result.firstSkippedRows.size())
        text += QStringLiteral(" and %1 more").arg(count(result.skipped - result.firstSkippedRows.size()));
    return text;
}

} // namespace

QString importCountLine(const ImportResult &result)
{
    const QString added = rows(result.added()) + QStringLiteral(" will be added");
    if (result.skipped == 0)
        return added + QStringLiteral(", none skipped.");
    return added + QStringLiteral(", %1 skipped (%2).").arg(count(result.skipped), rowNumbers(result));
}

QString importSummary(const ImportResult &result, const QString &howToNameColumns)
{
    const qint64 added = result.added();
    QString text;
    if (!result.layout.hasCoordinates())
        text = QStringLiteral("No latitude and longitude columns found%1. ").arg(howToNameColumns);
    text += QStringLiteral("Added %1 %2.").arg(count(added), added == 1 ? QStringLiteral("location")
                                                                             : QStringLiteral("locations"));
    if (result.skipped > 0) {
        text += QStringLiteral(" Skipped %1 without usable coordinates (missing, not a number or out of range): %2.")
                    .arg(rows(result.skipped), rowNumbers(result));
    }
    return text;
}
