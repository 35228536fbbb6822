// The main window's side of the update check: starting the worker once, applying its results on
// a later tick, the "Update Notifications" item and the one notice per run.
#include "recordingdesktop.h"
#include "testhttpserver.h"

#include "app/tappform.h"
#include "identity/identity.h"
#include "service/makersite.h"
#include "update/checkresults.h"
#include "update/settingsstore.h"
#include "update/tchecker.h"
#include "update/tnewver.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

constexpr int HourMs = 3600 * 1000;

QString storedShowUpdate(const QString &path)
{
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("Settings/ShowUpdate")).toString();
}

// Waits for the worker without running the event loop, so that no timer tick can interfere.
bool waitForCheck()
{
    const QDeadlineTimer deadline(30000);
    while (!CheckFinished.load(std::memory_order_acquire) && !deadline.hasExpired())
        QThread::msleep(5);
    return CheckFinished.load(std::memory_order_acquire);
}

} // namespace

class TestUpdateHook final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_settingsPath;

    std::unique_ptr<TAppForm> makeForm()
    {
        auto form = std::make_unique<TAppForm>(QStringLiteral(THERMIRA_EXECUTABLE));
        // Running as on a shown window, but its own ticks are kept out of the way; each test
        // ticks by hand.
        form->TimerChecker->start(HourMs);
        return form;
    }

    void storeShowUpdate(const QString &value)
    {
        QSettings settings(m_settingsPath, QSettings::IniFormat);
        settings.setValue(QStringLiteral("Settings/ShowUpdate"), value);
    }

    // Results as a finished worker leaves them; the worker itself is not started.
    static void finishedRun(bool available, qint32 showUpdate, bool newVersion)
    {
        CheckerStarted = true;
        UpdateNotificationsAvailable = available;
        ShowUpdateSetting = showUpdate;
        NewVersionAvailable = newVersion;
        LatestVersion = newVersion ? QStringLiteral("2.4") : QString();
        CheckFinished.store(true, std::memory_order_release);
    }

private Q_SLOTS:
    void initTestCase()
    {
        setMachineIdSourceForTesting([] { return QStringLiteral("0f4e7c52-1b7e-4a43-9a2d-3c1f62b1f0aa"); });
    }

    void init()
    {
        resetCheckResultsForTesting();
        m_dir = std::make_unique<QTemporaryDir>();
        m_settingsPath = m_dir->filePath(QStringLiteral("Thermira.ini"));
        setSettingsFileForTesting(m_settingsPath);
        SettingsStore.reset();
        // Nothing listens here: every exchange fails at once.
        setMakerHostForTesting(QStringLiteral("127.0.0.1:1"));
        CloseCountdown = 11;
    }

    void cleanup()
    {
        // Give a finished worker the chance to delete itself.
        QTest::qWait(20);
        QVERIFY(NewVer == nullptr);
        SettingsStore.reset();
        setSettingsFileForTesting(QString());
        setMakerHostForTesting(QString());
    }

    void itemAndTimerAsCreated()
    {
        RecordingDesktop desktop;
        TAppForm form{QStringLiteral(THERMIRA_EXECUTABLE)};
        QCOMPARE(form.TimerChecker->interval(), 1000);
        QVERIFY(form.UpdateNotifications1->isCheckable());
        QVERIFY(form.UpdateNotifications1->isChecked());
        QVERIFY(!form.UpdateNotifications1->isEnabled());
        QVERIFY(!CheckerStarted);
    }

    // A box shown while the window is being created runs its own event loop for longer than a
    // tick: the check still starts only once the window is up, with the identity in place.
    void checkStartsOnlyOnceTheWindowIsUp()
    {
        RecordingDesktop desktop;
        desktop.boxOpenMs = 1500;
        TestHttpServer server; // HTTPS fails here (untrusted authority), plain HTTP gets the request
        setMakerHostForTesting(server.hostAndPort());
        QTemporaryDir programDir; // a program copy without countries.dat
        const QString program = programDir.filePath(QStringLiteral("thermira"));
        QVERIFY(QFile::copy(QStringLiteral(THERMIRA_EXECUTABLE), program));

        TAppForm form(program);
        QCOMPARE(desktop.messages.size(), 1);
        QVERIFY(!CheckerStarted);
        QVERIFY(!form.TimerChecker->isActive());

        form.show();
        QVERIFY(form.TimerChecker->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(CheckFinished.load(std::memory_order_acquire), 30000);
        QCOMPARE(server.requestCount(), 1);
        const QByteArray body = server.requests().constFirst().body;
        QVERIFY2(body.contains("appname=PALVEX+-+Thermira&version=2.0&"), body.constData());
    }

    // The real worker with notifications switched off at an earlier start (no exchange).
    void firstTickOnlyStartsTheWorker()
    {
        RecordingDesktop desktop;
        storeShowUpdate(QStringLiteral("0"));
        auto form = makeForm();
        desktop.messages.clear();

        form->TimerCheckerTimer();
        QVERIFY(CheckerStarted);
        QVERIFY(waitForCheck());
        // Finished already, but nothing is applied on the tick that started the worker.
        QVERIFY(form->TimerChecker->isActive());
        QVERIFY(!form->UpdateNotifications1->isEnabled());
        QVERIFY(form->UpdateNotifications1->isChecked());

        form->TimerCheckerTimer();
        QVERIFY(!form->TimerChecker->isActive());
        QVERIFY(form->UpdateNotifications1->isEnabled());
        QVERIFY(!form->UpdateNotifications1->isChecked());
        QVERIFY(NewVer == nullptr);
        QVERIFY(desktop.messages.isEmpty());
    }

    // The real worker against a port where nothing listens: both attempts fail.
    void failedCheckLeavesTheItemDisabled()
    {
        RecordingDesktop desktop;
        auto form = makeForm();
        form->TimerCheckerTimer();
        QVERIFY(waitForCheck());
        QVERIFY(!UpdateNotificationsAvailable);
        form->TimerCheckerTimer();
        QVERIFY(!form->TimerChecker->isActive());
        QVERIFY(!form->UpdateNotifications1->isEnabled());
        QVERIFY(form->UpdateNotifications1->isChecked());
        QVERIFY(NewVer == nullptr);
    }

    void ticksWhileRunningChangeNothing()
    {
        RecordingDesktop desktop;
        auto form = makeForm();
        CheckerStarted = true; // a worker that has not finished yet
        for (int tick = 0; tick < 3; ++tick) {
            form->TimerCheckerTimer();
            QVERIFY(form->TimerChecker->isActive());
            QVERIFY(!form->UpdateNotifications1->isEnabled());
            QVERIFY(form->UpdateNotifications1->isChecked());
        }
        // Results written but the flag not yet set are not looked at.
        UpdateNotificationsAvailable = true;
        NewVersionAvailable = true;
        LatestVersion = QStringLiteral("2.4");
        form->TimerCheckerTimer();
        QVERIFY(form->TimerChecker->isActive());
        QVERIFY(!form->UpdateNotifications1->isEnabled());
        QVERIFY(NewVer == nullptr);
    }

    void resultsApplied_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<int>("showUpdate");
        QTest::addColumn<bool>("newVersion");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("checked");
        QTest::newRow("checked, nothing new") << true << 1 << false << true << true;
        QTest::newRow("checked, new version") << true << 1 << true << true << true;
        QTest::newRow("notifications off") << true << 0 << false << true << false;
        QTest::newRow("other stored value keeps the mark") << true << 2 << false << true << true;
        QTest::newRow("negative stored value keeps the mark") << true << -1 << false << true << true;
        QTest::newRow("check failed") << false << 1 << false << false << true;
        QTest::newRow("check failed, notifications off") << false << 0 << false << false << true;
    }

    void resultsApplied()
    {
        QFETCH(bool, available);
        QFETCH(int, showUpdate);
        QFETCH(bool, newVersion);
        QFETCH(bool, enabled);
        QFETCH(bool, checked);
        RecordingDesktop desktop;
        auto form = makeForm();
        finishedRun(available, showUpdate, newVersion);
        form->TimerCheckerTimer();
        QVERIFY(!form->TimerChecker->isActive());
        QCOMPARE(form->UpdateNotifications1->isEnabled(), enabled);
        QCOMPARE(form->UpdateNotifications1->isChecked(), checked);
        QCOMPARE(NewVer != nullptr, newVersion);
        if (newVersion) {
            QCOMPARE(NewVer->parentWidget(), form.get());
            QCOMPARE(NewVer->Label2->text(), QStringLiteral("Click to download ") + AppProductName + u" 2.4");
        }
    }

    void noticeCreatedOnce()
    {
        RecordingDesktop desktop;
        auto form = makeForm();
        finishedRun(true, 1, true);
        form->TimerCheckerTimer();
        TNewVer *first = NewVer;
        QVERIFY(first);
        QTRY_VERIFY(first->isVisible());
        form->TimerCheckerTimer();
        form->TimerChecker->start();
        form->TimerCheckerTimer();
        QCOMPARE(NewVer, first);
        QCOMPARE(form->findChildren<TNewVer *>().size(), 1);

        // Closed by the user: hidden, kept, and not brought back by a later tick.
        first->Button1Click();
        form->TimerCheckerTimer();
        QCOMPARE(NewVer, first);
        QVERIFY(!first->isVisible());
        QCOMPARE(form->findChildren<TNewVer *>().size(), 1);
    }

    void clickingFlipsAndStores_data()
    {
        QTest::addColumn<int>("showUpdate");
        QTest::addColumn<QStringList>("stored"); // after each click
        QTest::newRow("from on") << 1 << QStringList{QStringLiteral("0"), QStringLiteral("1")};
        QTest::newRow("from off") << 0 << QStringList{QStringLiteral("1"), QStringLiteral("0")};
    }

    void clickingFlipsAndStores()
    {
        QFETCH(int, showUpdate);
        QFETCH(QStringList, stored);
        RecordingDesktop desktop;
        storeShowUpdate(QString::number(showUpdate));
        OpenSettingsStore();
        auto form = makeForm();
        finishedRun(true, showUpdate, false);
        form->TimerCheckerTimer();
        const bool startChecked = showUpdate != 0;
        QCOMPARE(form->UpdateNotifications1->isChecked(), startChecked);

        form->UpdateNotifications1->trigger();
        QCOMPARE(form->UpdateNotifications1->isChecked(), !startChecked);
        QCOMPARE(storedShowUpdate(m_settingsPath), stored.at(0));
        form->UpdateNotifications1->trigger();
        QCOMPARE(form->UpdateNotifications1->isChecked(), startChecked);
        QCOMPARE(storedShowUpdate(m_settingsPath), stored.at(1));
        // The finished run's values stay as they were.
        QCOMPARE(ShowUpdateSetting, showUpdate);
        QVERIFY(desktop.messages.isEmpty());
    }

    void failingWriteReachesTheErrorBox()
    {
        RecordingDesktop desktop;
        storeShowUpdate(QStringLiteral("1"));
        OpenSettingsStore();
        auto form = makeForm();
        finishedRun(true, 1, false);
        form->TimerCheckerTimer();
        desktop.messages.clear();

        // The settings file turns into a folder: nothing can be written any more.
        QVERIFY(QFile::remove(m_settingsPath));
        QVERIFY(QDir().mkdir(m_settingsPath));
        form->UpdateNotifications1->trigger();
        QVERIFY(!form->UpdateNotifications1->isChecked());
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages.first().caption, QStringLiteral("Thermira"));
        QCOMPARE(desktop.messages.first().icon, QMessageBox::Critical);
        QVERIFY(desktop.messages.first().text.contains(QLatin1String("ShowUpdate")));
    }

    // The real worker against a loopback service that announces a newer version; its message box
    // comes first, the notice only after it has been closed.
    void announcedVersionOpensTheNoticeAfterTheMessage()
    {
        RecordingDesktop desktop;
        // The HTTPS attempt fails (the test authority is not trusted here), plain HTTP answers.
        TestHttpServer server(TestHttpServer::Mode::Both);
        server.setAnswer(TestHttpAnswer::text("<version>9.9</version>\r\n"
                                              "<url>https://example.invalid/download</url>\r\n"
                                              "\r\n"
                                              "<result>1</result>\r\n"
                                              "\r\n"
                                              "<important>Please read this.</important>\r\n"),
                         "/php/check2.php", TestHttpServer::Over::Plain);
        setMakerHostForTesting(server.hostAndPort());
        auto form = makeForm();
        bool noticeBeforeMessageClosed = true;
        desktop.onMessage = [&](const RecordingDesktop::Message &) {
            noticeBeforeMessageClosed = NewVer != nullptr || CheckFinished.load();
        };

        form->TimerCheckerTimer();
        QVERIFY(NewVer == nullptr);
        // The worker's message box needs the event loop; the window's own timer is far away.
        QTRY_VERIFY_WITH_TIMEOUT(CheckFinished.load(std::memory_order_acquire), 30000);
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages.first().caption, QStringLiteral("IMPORTANT"));
        QCOMPARE(desktop.messages.first().text, QStringLiteral("Please read this."));
        QVERIFY(!noticeBeforeMessageClosed);
        QVERIFY(NewVer == nullptr);

        form->TimerCheckerTimer();
        QVERIFY(NewVer);
        QCOMPARE(NewVer->Label2->text(), QStringLiteral("Click to download Thermira 9.9"));
        QVERIFY(form->UpdateNotifications1->isEnabled());
        QVERIFY(form->UpdateNotifications1->isChecked());
        QTRY_VERIFY(NewVer->isVisible());
        QTRY_VERIFY(NewVer->runningAnimation() == nullptr);
        QTest::mouseClick(NewVer->Label2, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://example.invalid/download"))});
    }
};

QTEST_MAIN(TestUpdateHook)
#include "tst_updatehook.moc"
