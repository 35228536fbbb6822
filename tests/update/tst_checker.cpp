#include "identity/identity.h"
#include "platform/errors.h"
#include "recordingdesktop.h"
#include "service/clientfacts.h"
#include "service/makersite.h"
#include "testhttpserver.h"
#include "tst_checkerscript.h"
#include "update/checkerrors.h"
#include "update/checkresults.h"
#include "update/checkschedule.h"
#include "update/scrambler.h"
#include "update/settingsstore.h"
#include "update/tchecker.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {

const QString downloadAddress = QStringLiteral("https://example.com/thermira-2.1.exe");
const QString oldAddress = QStringLiteral("https://example.com/thermira-1.9.exe");

QString answerWith(const QString &version, const QString &address, const QString &marker,
                   const QString &message)
{
    return QStringLiteral("<version>%1</version>\r\n<url>%2</url>\r\n\r\n<result>%3</result>\r\n\r\n"
                          "<important>%4</important>\r\n")
        .arg(version, address, marker, message);
}

const QString goodAnswer = answerWith(QStringLiteral("2.1"), downloadAddress, QStringLiteral("1"), QString());

QByteArray scrambled(const QString &address)
{
    return ScrambleText(address, ScrambleSeed).toLatin1();
}

enum Reach
{
    HttpsAnswers,
    HttpAnswers, // HTTPS fails first
    NoneAnswers,
};

} // namespace

class TestChecker final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_count = 0;

    void writeStore(const QByteArray &values)
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Settings]\n" + values);
    }

    // The stored text of a value, or "missing".
    QString stored(const QString &name) const
    {
        const QSettings settings(m_path, QSettings::IniFormat);
        const QString key = QStringLiteral("Settings/") + name;
        if (!settings.contains(key))
            return QStringLiteral("missing");
        const QVariant value = settings.value(key);
        return value.typeId() == QMetaType::QString ? value.toString() : QStringLiteral("not text");
    }

    QString field(const FormFields &fields, const QString &name) const
    {
        for (const QString &f : fields) {
            if (f.startsWith(name + u'='))
                return f.mid(name.size() + 1);
        }
        return QStringLiteral("missing");
    }

private Q_SLOTS:
    void initTestCase() { TestHttpServer::trustTestAuthority(); }

    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("run%1/Thermira.ini").arg(++m_count));
        setSettingsFileForTesting(m_path);
        SettingsStore.reset();
        resetCheckResultsForTesting();
        ClearCheckErrors();
        AppCaption = QStringLiteral("PALVEX - Thermira");
        AppVersion = QStringLiteral("2.0");
        setMachineIdSourceForTesting([] { return QStringLiteral("guid-1"); });
        setTodayForTesting(QDate(2024, 3, 14), QStringLiteral("M/d/yy"));
        setMakerHostForTesting(QStringLiteral("127.0.0.1:9"));
    }
    void cleanup()
    {
        setSettingsFileForTesting(QString());
        SettingsStore.reset();
        setMachineIdSourceForTesting({});
        setTodayForTesting(QDate(), QString());
        setCheckPosterForTesting({});
        setMakerHostForTesting(QString());
    }

    void schedule_data()
    {
        QTest::addColumn<int>("showUpdate");
        QTest::addColumn<QString>("storedDate");
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<bool>("exchange");

        QTest::newRow("new user") << 1 << "" << 0 << true;
        QTest::newRow("notifications off") << 0 << "" << 0 << false;
        QTest::newRow("value 2 still checks") << 2 << "" << 0 << true;
        QTest::newRow("negative value still checks") << -1 << "" << 0 << true;
        QTest::newRow("four today") << 1 << "3/14/24" << 4 << true;
        QTest::newRow("five today") << 1 << "3/14/24" << 5 << false;
        QTest::newRow("more than five today") << 1 << "3/14/24" << 9 << false;
        QTest::newRow("five on another day") << 1 << "3/13/24" << 5 << true;
        QTest::newRow("five today in another format") << 1 << "14.03.2024" << 5 << true;
        QTest::newRow("off wins over a fresh day") << 0 << "3/13/24" << 0 << false;
    }
    void schedule()
    {
        QFETCH(int, showUpdate);
        QFETCH(QString, storedDate);
        QFETCH(int, dayCount);
        QFETCH(bool, exchange);
        QCOMPARE(ScheduleAllowsExchange(showUpdate, storedDate, dayCount, QStringLiteral("3/14/24")),
                 exchange);
    }

    void dayCount_data()
    {
        QTest::addColumn<QString>("storedDate");
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<int>("next");
        QTest::newRow("first of the day") << "3/13/24" << 3 << 1;
        QTest::newRow("nothing stored") << "" << 0 << 1;
        QTest::newRow("counted on") << "3/14/24" << 3 << 4;
        QTest::newRow("negative stored count") << "3/14/24" << -4 << -3;
        QTest::newRow("largest stays")
            << "3/14/24" << std::numeric_limits<int>::max() << std::numeric_limits<int>::max();
    }
    void dayCount()
    {
        QFETCH(QString, storedDate);
        QFETCH(int, dayCount);
        QFETCH(int, next);
        QCOMPARE(NextDayCount(storedDate, dayCount, QStringLiteral("3/14/24")), next);
    }

    void notice_data()
    {
        QTest::addColumn<QString>("latest");
        QTest::addColumn<int>("showUpdate");
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<bool>("due");
        QTest::newRow("new version, first today") << "2.1" << 1 << 1 << true;
        QTest::newRow("fourth today") << "2.1" << 1 << 4 << true;
        QTest::newRow("fifth today") << "2.1" << 1 << 5 << false;
        QTest::newRow("same version") << "2.0" << 1 << 1 << false;
        QTest::newRow("lower version counts as new") << "1.9" << 1 << 1 << true;
        QTest::newRow("notifications value 2") << "2.1" << 2 << 1 << false;
        QTest::newRow("not a number") << "2.1a" << 1 << 1 << false;
        QTest::newRow("empty version") << "" << 1 << 1 << false;
    }
    void notice()
    {
        QFETCH(QString, latest);
        QFETCH(int, showUpdate);
        QFETCH(int, dayCount);
        QFETCH(bool, due);
        QCOMPARE(NoticeDue(latest, QStringLiteral("2.0"), showUpdate, dayCount), due);
    }

    void todayText()
    {
        QCOMPARE(TodayDateText(), QStringLiteral("3/14/24"));
        setTodayForTesting(QDate(2024, 3, 14), QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(TodayDateText(), QStringLiteral("14.03.2024"));
        setTodayForTesting(QDate(), QString());
        QCOMPARE(TodayDateText(), QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    }

    // One whole run against a scripted service, and every result and stored value afterwards.
    void run_data()
    {
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<int>("reach");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("posts");
        QTest::addColumn<int>("startCount");
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("newVersion");
        QTest::addColumn<int>("showUpdate");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("checkDate");  // stored afterwards
        QTest::addColumn<QString>("checkCount"); // stored afterwards
        QTest::addColumn<QString>("currentVersion");
        QTest::addColumn<QString>("currentAddress"); // unscrambled, or "missing"

        const QString missing = QStringLiteral("missing");
        const QByteArray stale = "CurrentURL=" + scrambled(oldAddress) + "\n";
        const QByteArray same = "InstalledVersion=2.0\n";

        QTest::newRow("first start of a new user")
            << QByteArray() << int(HttpsAnswers) << goodAnswer << 1 << 1 << true << true << 1 << "2.1"
            << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("second start") << QByteArray(same + "HowMany=1\n") << int(HttpsAnswers) << goodAnswer
                                      << 1 << 2 << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
                                      << "1"
                                      << "2.1" << downloadAddress;
        QTest::newRow("first start after a version change")
            << QByteArray("InstalledVersion=1.9\nHowMany=40\n") << int(HttpsAnswers) << goodAnswer << 1 << 1
            << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("start count holding letters")
            << QByteArray(same + "HowMany=lots\n") << int(HttpsAnswers) << goodAnswer << 1 << 1 << true
            << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("start count at its largest")
            << QByteArray(same + "HowMany=2147483647\n") << int(HttpsAnswers) << goodAnswer << 1
            << std::numeric_limits<int>::max() << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("installed version not text")
            << QByteArray("InstalledVersion=2, 0\nHowMany=6\n") << int(HttpsAnswers) << goodAnswer << 1 << 1
            << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;

        QTest::newRow("notifications off")
            << QByteArray(same + "HowMany=3\nShowUpdate=0\n" + stale) << int(HttpsAnswers) << goodAnswer << 0
            << 4 << true << false << 0 << "" << oldAddress << missing << missing << missing << oldAddress;
        QTest::newRow("notifications 2: exchange, no notice")
            << QByteArray("ShowUpdate=2\n") << int(HttpsAnswers) << goodAnswer << 1 << 1 << true << false << 2
            << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("notifications holding letters read as on")
            << QByteArray("ShowUpdate=no\n") << int(HttpsAnswers) << goodAnswer << 1 << 1 << true << true << 1
            << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("notifications not text read as on")
            << QByteArray("ShowUpdate=0, 0\n") << int(HttpsAnswers) << goodAnswer << 1 << 1 << true << true
            << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;

        QTest::newRow("five answers already today")
            << QByteArray("LastUpdateCheck=3/14/24\nLastUpdateCheckCount=5\nCurrentVersion=2.1\n" + stale)
            << int(HttpsAnswers) << goodAnswer << 0 << 1 << true << false << 1 << "" << oldAddress
            << "3/14/24"
            << "5"
            << "2.1" << oldAddress;
        QTest::newRow("fourth answer today still opens the notice")
            << QByteArray("LastUpdateCheck=3/14/24\nLastUpdateCheckCount=3\n") << int(HttpsAnswers)
            << goodAnswer << 1 << 1 << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "4"
            << "2.1" << downloadAddress;
        QTest::newRow("fifth answer today: stored, no notice")
            << QByteArray("LastUpdateCheck=3/14/24\nLastUpdateCheckCount=4\n") << int(HttpsAnswers)
            << goodAnswer << 1 << 1 << true << false << 1 << "2.1" << downloadAddress << "3/14/24"
            << "5"
            << "2.1" << downloadAddress;
        QTest::newRow("count of another day starts again")
            << QByteArray("LastUpdateCheck=3/13/24\nLastUpdateCheckCount=9\n") << int(HttpsAnswers)
            << goodAnswer << 1 << 1 << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("same day in another date format")
            << QByteArray("LastUpdateCheck=14.03.2024\nLastUpdateCheckCount=5\n") << int(HttpsAnswers)
            << goodAnswer << 1 << 1 << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("day count holding letters")
            << QByteArray("LastUpdateCheck=3/14/24\nLastUpdateCheckCount=many\n") << int(HttpsAnswers)
            << goodAnswer << 1 << 1 << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("day count not text")
            << QByteArray("LastUpdateCheck=3/14/24\nLastUpdateCheckCount=@ByteArray(5)\n")
            << int(HttpsAnswers) << goodAnswer << 1 << 1 << true << true << 1 << "2.1" << downloadAddress
            << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;

        QTest::newRow("HTTPS fails, HTTP answers")
            << QByteArray() << int(HttpAnswers) << goodAnswer << 2 << 1 << true << true << 1 << "2.1"
            << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("both attempts fail")
            << QByteArray("LastUpdateCheck=3/13/24\nLastUpdateCheckCount=2\nCurrentVersion=1.9\n" + stale)
            << int(NoneAnswers) << goodAnswer << 2 << 1 << false << false << 1 << "" << oldAddress
            << "3/13/24"
            << "2"
            << "1.9" << oldAddress;
        QTest::newRow("ERROR answer")
            << stale << int(HttpsAnswers)
            << QStringLiteral("ERROR: unknown product\r\n\r\n\r\n<result>1</result>") << 1 << 1 << false
            << false << 1 << "" << oldAddress << missing << missing << missing << oldAddress;
        QTest::newRow("three-line answer") << QByteArray() << int(HttpsAnswers)
                                           << QStringLiteral("<version>2.1</version>\r\n<url>x</url>\r\n\r\n")
                                           << 1 << 1 << false << false << 1 << ""
                                           << "" << missing << missing << missing << missing;
        QTest::newRow("marker 2") << QByteArray() << int(HttpsAnswers)
                                  << answerWith("2.1", downloadAddress, "2", "") << 1 << 1 << false << false
                                  << 1 << ""
                                  << "" << missing << missing << missing << missing;
        QTest::newRow("marker 0 is accepted")
            << QByteArray() << int(HttpsAnswers) << answerWith("2.1", downloadAddress, "0", "") << 1 << 1
            << true << true << 1 << "2.1" << downloadAddress << "3/14/24"
            << "1"
            << "2.1" << downloadAddress;
        QTest::newRow("announced version is the running one")
            << QByteArray() << int(HttpsAnswers) << answerWith("2.0", downloadAddress, "1", "") << 1 << 1
            << true << false << 1 << "2.0" << downloadAddress << "3/14/24"
            << "1"
            << "2.0" << downloadAddress;
        QTest::newRow("announced version not a number")
            << QByteArray() << int(HttpsAnswers) << answerWith("2.1 beta", downloadAddress, "1", "") << 1 << 1
            << true << false << 1 << "2.1 beta" << downloadAddress << "3/14/24"
            << "1"
            << "2.1 beta" << downloadAddress;
        QTest::newRow("empty download address replaces the stored one")
            << stale << int(HttpsAnswers) << answerWith("2.1", "", "1", "") << 1 << 1 << true << true << 1
            << "2.1"
            << ""
            << "3/14/24"
            << "1"
            << "2.1"
            << "";

        QTest::newRow("stored address in lower-case digits")
            << QByteArray("ShowUpdate=0\nCurrentURL=" + scrambled(oldAddress).toLower() + "\n")
            << int(HttpsAnswers) << goodAnswer << 0 << 1 << true << false << 0 << "" << oldAddress << missing
            << missing << missing << oldAddress;
        QTest::newRow("stored address malformed")
            << QByteArray("ShowUpdate=0\nCurrentURL=68G7\n") << int(HttpsAnswers) << goodAnswer << 0 << 1
            << true << false << 0 << ""
            << "" << missing << missing << missing << "";
        QTest::newRow("stored address not text")
            << QByteArray("ShowUpdate=0\nCurrentURL=@ByteArray(6807)\n") << int(HttpsAnswers) << goodAnswer
            << 0 << 1 << true << false << 0 << ""
            << "" << missing << missing << missing << "not text";
    }
    void run()
    {
        QFETCH(QByteArray, store);
        QFETCH(int, reach);
        QFETCH(QString, answer);
        QFETCH(int, posts);
        QFETCH(int, startCount);
        QFETCH(bool, available);
        QFETCH(bool, newVersion);
        QFETCH(int, showUpdate);
        QFETCH(QString, latest);
        QFETCH(QString, address);
        QFETCH(QString, checkDate);
        QFETCH(QString, checkCount);
        QFETCH(QString, currentVersion);
        QFETCH(QString, currentAddress);

        if (!store.isEmpty())
            writeStore(store);
        ScriptedPoster poster(
            ScriptedOutcome{reach != HttpsAnswers, reach != HttpsAnswers ? "refused" : answer},
            ScriptedOutcome{reach == NoneAnswers, reach == NoneAnswers ? "refused" : answer});
        RecordingDesktop desktop;

        TChecker checker;
        checker.Execute();

        QCOMPARE(CheckFinished.load(std::memory_order_acquire), true);
        QCOMPARE(poster.attempts.size(), posts);
        for (const ScriptedAttempt &attempt : std::as_const(poster.attempts)) {
            QCOMPARE(field(attempt.fields, QStringLiteral("howmany")), QString::number(startCount));
            QCOMPARE(field(attempt.fields, QStringLiteral("guid")), QStringLiteral("guid-1"));
            QCOMPARE(field(attempt.fields, QStringLiteral("version")), QStringLiteral("2.0"));
        }
        QCOMPARE(UpdateNotificationsAvailable, available);
        QCOMPARE(NewVersionAvailable, newVersion);
        QCOMPARE(ShowUpdateSetting, showUpdate);
        QCOMPARE(LatestVersion, latest);
        QCOMPARE(DownloadURL, address);
        QCOMPARE(CheckFailed, posts > 0 && !available);

        QCOMPARE(stored(QStringLiteral("HowMany")), QString::number(startCount));
        QCOMPARE(stored(QStringLiteral("InstalledVersion")), QStringLiteral("2.0"));
        QCOMPARE(stored(QStringLiteral("LastUpdateCheck")), checkDate);
        QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")), checkCount);
        QCOMPARE(stored(QStringLiteral("CurrentVersion")), currentVersion);
        const QString storedAddress = stored(QStringLiteral("CurrentURL"));
        const bool plain =
            storedAddress == QStringLiteral("missing") || storedAddress == QStringLiteral("not text");
        QCOMPARE(plain ? storedAddress : UnscrambleText(storedAddress, ScrambleSeed), currentAddress);
        // An accepted answer writes the address as upper-case digits.
        if (available && posts > 0)
            QCOMPARE(storedAddress, ScrambleText(currentAddress, ScrambleSeed));
        QVERIFY(desktop.messages.isEmpty());
    }

    void startCountOverSeveralStarts()
    {
        // Unusable answers, so that the daily limit never stops the exchange.
        ScriptedPoster poster(ScriptedOutcome{false, answerWith("2.1", downloadAddress, "2", "")},
                              ScriptedOutcome{true, "refused"});
        const QStringList versions{"2.0", "2.0", "2.0", "2.1", "2.1", "2.0"};
        const QStringList counts{"1", "2", "3", "1", "2", "1"};
        for (qsizetype i = 0; i < versions.size(); ++i) {
            AppVersion = versions[i];
            TChecker().Execute();
            QCOMPARE(poster.attempts.size(), i + 1);
            QCOMPARE(field(poster.attempts.last().fields, QStringLiteral("howmany")), counts[i]);
            QCOMPARE(stored(QStringLiteral("HowMany")), counts[i]);
            QCOMPARE(stored(QStringLiteral("InstalledVersion")), versions[i]);
        }
    }

    // Six starts on one day: the first four may open the notice, the fifth only refreshes the
    // stored values, the sixth makes no exchange. A new date format starts the count again.
    void oneCalendarDay()
    {
        ScriptedPoster poster(ScriptedOutcome{false, goodAnswer}, ScriptedOutcome{true, "refused"});
        const QList<bool> notices{true, true, true, true, false, false};
        for (qsizetype i = 0; i < notices.size(); ++i) {
            resetCheckResultsForTesting();
            TChecker().Execute();
            QCOMPARE(CheckFinished.load(std::memory_order_acquire), true);
            QCOMPARE(poster.attempts.size(), std::min<qsizetype>(i + 1, 5));
            QCOMPARE(UpdateNotificationsAvailable, true);
            QCOMPARE(NewVersionAvailable, notices[i]);
            QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")),
                     QString::number(std::min<qsizetype>(i + 1, 5)));
            QCOMPARE(LatestVersion, i < 5 ? QStringLiteral("2.1") : QString());
        }

        setTodayForTesting(QDate(2024, 3, 14), QStringLiteral("dd.MM.yyyy"));
        resetCheckResultsForTesting();
        TChecker().Execute();
        QCOMPARE(poster.attempts.size(), 6);
        QCOMPARE(NewVersionAvailable, true);
        QCOMPARE(stored(QStringLiteral("LastUpdateCheck")), QStringLiteral("14.03.2024"));
        QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")), QStringLiteral("1"));
    }

    void failingAndUnusableRunsLeaveTheScheduleAlone()
    {
        writeStore("LastUpdateCheck=3/14/24\nLastUpdateCheckCount=2\n");
        ScriptedPoster poster(ScriptedOutcome{true, "refused"}, ScriptedOutcome{true, "refused"});
        for (int i = 0; i < 3; ++i) {
            TChecker().Execute();
            QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")), QStringLiteral("2"));
        }
        QCOMPARE(poster.attempts.size(), 6);
        poster.answerHttps(answerWith("2.1", downloadAddress, "3", ""));
        TChecker().Execute();
        QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")), QStringLiteral("2"));
        QCOMPARE(CheckErrors, QStringLiteral("INVALIDSERVERRESPONSE"));
        poster.answerHttps(goodAnswer);
        TChecker().Execute();
        QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")), QStringLiteral("3"));
        QCOMPARE(CheckErrors, QString());
    }

    void serviceMessage_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<QString>("shown"); // empty: no box
        QTest::addColumn<bool>("newVersion");

        QTest::newRow("message") << answerWith("2.1", downloadAddress, "1", "Please update now.")
                                 << QByteArray() << "Please update now." << true;
        QTest::newRow("shown as received, blanks kept")
            << answerWith("2.1", downloadAddress, "1", "  Read me \t") << QByteArray() << "  Read me \t"
            << true;
        QTest::newRow("markup stays text") << answerWith("2.1", downloadAddress, "1", "<b>bold</b>")
                                           << QByteArray() << "<b>bold</b>" << true;
        QTest::newRow("only blanks") << answerWith("2.1", downloadAddress, "1", "   ") << QByteArray() << ""
                                     << true;
        QTest::newRow("only a tab") << answerWith("2.1", downloadAddress, "1", "\t") << QByteArray() << ""
                                    << true;
        QTest::newRow("empty element") << goodAnswer << QByteArray() << "" << true;
        QTest::newRow("five lines") << "<version>2.1</version>\n<url>x</url>\n\n<result>1</result>\n\n"
                                    << QByteArray() << "" << true;
        QTest::newRow("shown with notifications 2")
            << answerWith("2.1", downloadAddress, "1", "Hi") << QByteArray("ShowUpdate=2\n") << "Hi" << false;
        QTest::newRow("shown on the fifth answer of the day")
            << answerWith("2.1", downloadAddress, "1", "Hi")
            << QByteArray("LastUpdateCheck=3/14/24\nLastUpdateCheckCount=4\n") << "Hi" << false;
        QTest::newRow("a huge message: its start, cut and marked")
            << answerWith("2.1", downloadAddress, "1", QString(2000, u'a') + QString(500000, u'b'))
            << QByteArray() << QString(2000, u'a') + u'\u2026' << true;
        QTest::newRow("not shown for an unusable answer")
            << answerWith("2.1", downloadAddress, "5", "Hi") << QByteArray() << "" << false;
    }
    void serviceMessage()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, store);
        QFETCH(QString, shown);
        QFETCH(bool, newVersion);
        if (!store.isEmpty())
            writeStore(store);
        ScriptedPoster poster(ScriptedOutcome{false, answer}, ScriptedOutcome{true, "refused"});
        RecordingDesktop desktop;
        bool finishedDuringBox = true;
        desktop.onMessage = [&](const RecordingDesktop::Message &) {
            finishedDuringBox = CheckFinished.load(std::memory_order_acquire);
        };

        TChecker().Execute();

        QCOMPARE(CheckFinished.load(std::memory_order_acquire), true);
        QCOMPARE(NewVersionAvailable, newVersion);
        if (shown.isEmpty()) {
            QCOMPARE(desktop.messages.size(), 0);
            return;
        }
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].text, shown);
        QCOMPARE(desktop.messages[0].caption, QStringLiteral("IMPORTANT"));
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(finishedDuringBox, false);
    }

    void failureWhileTheAnswerIsUsed()
    {
        ScriptedPoster poster(ScriptedOutcome{false, answerWith("2.1", downloadAddress, "1", "Hi")},
                              ScriptedOutcome{true, "refused"});
        RecordingDesktop desktop;
        desktop.onMessage = [](const RecordingDesktop::Message &) {
            throw FileError(QStringLiteral("no screen"));
        };

        TChecker().Execute();

        QCOMPARE(CheckFinished.load(std::memory_order_acquire), true);
        QCOMPARE(CheckErrors, QStringLiteral("EFOpenError Error:\rno screen"));
        QCOMPARE(UpdateNotificationsAvailable, true);
        QCOMPARE(NewVersionAvailable, false);
        QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")), QStringLiteral("1"));
    }

    void machineIdentifier_data()
    {
        QTest::addColumn<int>("reach");
        QTest::addColumn<bool>("available");
        QTest::addColumn<QString>("errors");
        QTest::newRow("HTTPS answer unusable")
            << int(HttpsAnswers) << false << "Error: GUID generate problem!";
        QTest::newRow("HTTP answer clears the record") << int(HttpAnswers) << true << "";
    }
    void machineIdentifier()
    {
        QFETCH(int, reach);
        QFETCH(bool, available);
        QFETCH(QString, errors);
        setMachineIdSourceForTesting(
            []() -> QString { throw SettingsError(QStringLiteral("Invalid data type for 'MachineGuid'")); });
        ScriptedPoster poster(
            ScriptedOutcome{reach != HttpsAnswers, reach != HttpsAnswers ? "refused" : goodAnswer},
            ScriptedOutcome{false, goodAnswer});

        TChecker().Execute();

        QCOMPARE(CheckFinished.load(std::memory_order_acquire), true);
        QVERIFY(!poster.attempts.isEmpty());
        QCOMPARE(field(poster.attempts[0].fields, QStringLiteral("guid")), QString());
        QCOMPARE(UpdateNotificationsAvailable, available);
        QCOMPARE(NewVersionAvailable, available);
        QCOMPARE(CheckErrors, errors);
    }

    void runEndsWhenTheStartCounterCannotBeKept_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("errors");
        QTest::newRow("start count not text") << 0 << "";
        QTest::newRow("store cannot be written") << 1 << "";
        QTest::newRow("store cannot be opened") << 2 << "Error: Registry open problem!";
    }
    void runEndsWhenTheStartCounterCannotBeKept()
    {
        QFETCH(int, kind);
        QFETCH(QString, errors);
        if (kind == 0)
            writeStore("InstalledVersion=1.0\nHowMany=1, 2\nShowUpdate=1\n");
        else if (kind == 1)
            setSettingsFileForTesting(QStringLiteral("/proc/thermira-no-such-folder/Thermira.ini"));
        else
            QVERIFY(QDir().mkpath(m_path));
        ScriptedPoster poster(ScriptedOutcome{false, goodAnswer}, ScriptedOutcome{false, goodAnswer});
        DownloadURL = QStringLiteral("unchanged");

        TChecker().Execute();

        QCOMPARE(CheckFinished.load(std::memory_order_acquire), false);
        QCOMPARE(poster.attempts.size(), 0);
        QCOMPARE(UpdateNotificationsAvailable, false);
        QCOMPARE(ShowUpdateSetting, 0);
        QCOMPARE(DownloadURL, QStringLiteral("unchanged"));
        QCOMPARE(CheckErrors, errors);
        if (kind == 0)
            QCOMPARE(stored(QStringLiteral("InstalledVersion")), QStringLiteral("1.0"));
    }

    // At exit the program tears down normally only once the worker's thread has ended, whatever
    // the run left in CheckFinished.
    void exitFollowsTheWorkerThread()
    {
        ScriptedPoster poster(ScriptedOutcome{false, goodAnswer}, ScriptedOutcome{true, "refused"});
        QSemaphore held;
        auto *checker = new TChecker;
        // Holds the thread between the end of its run and its own end.
        connect(
            checker, &QThread::finished, checker, [&held] { held.acquire(); }, Qt::DirectConnection);
        const auto letGo = qScopeGuard([&held, thread = QPointer<TChecker>(checker)] {
            if (thread) {
                held.release();
                thread->wait();
            }
        });
        checker->start();
        // No event loop meanwhile: deleting the finished worker would wait for the held thread.
        const QDeadlineTimer deadline(10000);
        while (!CheckFinished.load(std::memory_order_acquire) && !deadline.hasExpired())
            QThread::msleep(5);
        QVERIFY(CheckFinished.load(std::memory_order_acquire));
        QVERIFY(CheckerThreadRunning());
        held.release();
        QTRY_VERIFY(!CheckerThreadRunning());

        // A run that ends without setting CheckFinished (the start counter cannot be kept).
        resetCheckResultsForTesting();
        setSettingsFileForTesting(QStringLiteral("/proc/thermira-no-such-folder/Thermira.ini"));
        (new TChecker)->start();
        QTRY_VERIFY(!CheckerThreadRunning());
        QVERIFY(!CheckFinished.load(std::memory_order_acquire));
    }

    void damagedStoreDoesNotStopTheCheck()
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x00\xff[Settings\nShowUpdate=\x01\x02\n\xc3(", 26));
        file.close();
        ScriptedPoster poster(ScriptedOutcome{false, goodAnswer}, ScriptedOutcome{true, "refused"});

        TChecker().Execute();

        QCOMPARE(CheckFinished.load(std::memory_order_acquire), true);
        QCOMPARE(poster.attempts.size(), 1);
        QCOMPARE(NewVersionAvailable, true);
        QCOMPARE(stored(QStringLiteral("HowMany")), QStringLiteral("1"));
        QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")), QStringLiteral("1"));
    }

    // The worker on its own thread against a loopback service: the request on the wire, the
    // message box on the user-interface thread while the worker waits, every stored value, and
    // the worker deleting itself.
    void wholeRunOverLoopback_data()
    {
        QTest::addColumn<bool>("httpsFails");
        QTest::addColumn<bool>("httpFails");
        QTest::newRow("HTTPS") << false << false;
        QTest::newRow("HTTPS fails, HTTP answers") << true << false;
        QTest::newRow("both fail") << true << true;
    }
    void wholeRunOverLoopback()
    {
        QFETCH(bool, httpsFails);
        QFETCH(bool, httpFails);
        const bool answered = !httpFails;

        writeStore(
            "InstalledVersion=2.0\nHowMany=6\nLastUpdateCheck=3/14/24\nLastUpdateCheckCount=2\nCurrentURL=" +
            scrambled(oldAddress) + "\n");
        TestHttpServer server(TestHttpServer::Mode::Both, httpsFails ? TestHttpServer::Certificate::Untrusted
                                                                     : TestHttpServer::Certificate::Trusted);
        server.setAnswer(
            TestHttpAnswer::text(answerWith("2.1", downloadAddress, "1", "Version 2.1 is out!").toUtf8()),
            "/php/check2.php");
        if (httpFails)
            server.setAnswer(TestHttpAnswer::withStatus(500, "Internal Server Error", "oops"),
                             "/php/check2.php", TestHttpServer::Over::Plain);
        setMakerHostForTesting(server.hostAndPort());
        setMachineIdSourceForTesting({});

        RecordingDesktop desktop;
        bool finishedDuringBox = true;
        bool boxOnMainThread = false;
        desktop.onMessage = [&](const RecordingDesktop::Message &) {
            finishedDuringBox = CheckFinished.load(std::memory_order_acquire);
            boxOnMainThread = QThread::currentThread() == thread();
        };

        auto *checker = new TChecker;
        QSignalSpy gone(checker, &QObject::destroyed);
        checker->start();
        QTRY_VERIFY_WITH_TIMEOUT(CheckFinished.load(std::memory_order_acquire), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, 10000);

        const QList<TestHttpRequest> requests = server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].tls, !httpsFails);
        const QByteArray body =
            "cmd=check&appname=PALVEX+-+Thermira&version=2.0&os=" + formEncoded(OSDescription()) +
            "&local=" + formEncoded(UserLocaleName()) + "&guid=" + formEncoded(MachineId()) + "&howmany=7";
        for (const TestHttpRequest &request : requests) {
            QCOMPARE(request.requestLine.left(26), QByteArray("POST /php/check2.php HTTP/"));
            QCOMPARE(request.body, body);
        }

        QCOMPARE(UpdateNotificationsAvailable, answered);
        QCOMPARE(NewVersionAvailable, answered);
        QCOMPARE(ShowUpdateSetting, 1);
        QCOMPARE(LatestVersion, answered ? QStringLiteral("2.1") : QString());
        QCOMPARE(DownloadURL, answered ? downloadAddress : oldAddress);
        QCOMPARE(stored(QStringLiteral("HowMany")), QStringLiteral("7"));
        QCOMPARE(stored(QStringLiteral("InstalledVersion")), QStringLiteral("2.0"));
        QCOMPARE(stored(QStringLiteral("LastUpdateCheck")), QStringLiteral("3/14/24"));
        QCOMPARE(stored(QStringLiteral("LastUpdateCheckCount")),
                 answered ? QStringLiteral("3") : QStringLiteral("2"));
        QCOMPARE(stored(QStringLiteral("CurrentVersion")),
                 answered ? QStringLiteral("2.1") : QStringLiteral("missing"));
        QCOMPARE(stored(QStringLiteral("CurrentURL")),
                 QString::fromLatin1(scrambled(answered ? downloadAddress : oldAddress)));
        QCOMPARE(stored(QStringLiteral("ShowUpdate")), QStringLiteral("missing"));

        if (answered) {
            QCOMPARE(CheckErrors, QString());
            QCOMPARE(desktop.messages.size(), 1);
            QCOMPARE(desktop.messages[0].text, QStringLiteral("Version 2.1 is out!"));
            QCOMPARE(finishedDuringBox, false);
            QCOMPARE(boxOnMainThread, true);
        } else {
            QVERIFY2(CheckErrors.startsWith(QStringLiteral("HTTPS Response:\r")), qPrintable(CheckErrors));
            QVERIFY2(CheckErrors.contains(QStringLiteral("\r\rHTTP Response:\r")), qPrintable(CheckErrors));
            QCOMPARE(desktop.messages.size(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestChecker)
#include "tst_checker.moc"
