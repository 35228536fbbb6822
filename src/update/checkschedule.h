#pragma once

#include <QDate>
#include <QString>

// When the update check contacts the service, how the accepted answers of a day are counted,
// and when a new-version notice is due.

// With this many accepted answers counted today no exchange is made and no notice is opened.
inline constexpr qint32 DailyCheckLimit = 5;

// Today's date in the user's short date format. The stored check date is compared with it as
// text, so a change of the date format starts the day's count again.
QString TodayDateText();
// Fixes the date and the date format TodayDateText uses; an invalid date or an empty format
// gives back today's date or the user's short format.
void setTodayForTesting(const QDate &date, const QString &format);

// Whether the run contacts the service: not while notifications are off (0), and not once the
// daily limit of accepted answers has been reached on the stored date, when that is today.
bool ScheduleAllowsExchange(qint32 showUpdate, const QString &storedDate, qint32 dayCount,
                            const QString &today);

// The day count after one more accepted answer: counted on from the stored one when its date is
// today, otherwise starting at 1.
qint32 NextDayCount(const QString &storedDate, qint32 dayCount, const QString &today);

// Whether the notice opens after an accepted answer: a new version announced, notifications
// exactly 1, and the updated day count still below the daily limit.
bool NoticeDue(const QString &latestVersion, const QString &runningVersion, qint32 showUpdate,
               qint32 dayCount);
