#include "checkschedule.h"

#include "checkexchange.h"

#include <QLocale>

#include <limits>

namespace {

struct TodayOverride
{
    QDate date;
    QString format;
};

TodayOverride &todayOverride()
{
    static TodayOverride value;
    return value;
}

} // namespace

QString TodayDateText()
{
    const TodayOverride &fixed = todayOverride();
    const QDate date = fixed.date.isValid() ? fixed.date : QDate::currentDate();
    const QLocale locale = QLocale::system();
    return fixed.format.isEmpty() ? locale.toString(date, QLocale::ShortFormat)
                                  : locale.toString(date, fixed.format);
}

void setTodayForTesting(const QDate &date, const QString &format)
{
    todayOverride() = TodayOverride{date, format};
}

bool ScheduleAllowsExchange(qint32 showUpdate, const QString &storedDate, qint32 dayCount,
                            const QString &today)
{
    if (showUpdate == 0)
        return false;
    return !(storedDate == today && dayCount >= DailyCheckLimit);
}

qint32 NextDayCount(const QString &storedDate, qint32 dayCount, const QString &today)
{
    if (storedDate != today)
        return 1;
    return dayCount == std::numeric_limits<qint32>::max() ? dayCount : dayCount + 1;
}

bool NoticeDue(const QString &latestVersion, const QString &runningVersion, qint32 showUpdate,
               qint32 dayCount)
{
    return IsNewVersion(latestVersion, runningVersion) && showUpdate == 1 && dayCount < DailyCheckLimit;
}
