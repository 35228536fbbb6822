#include "tchecker.h"

#include "checkerrors.h"
#include "checkexchange.h"
#include "checkresults.h"
#include "checkschedule.h"
#include "desktop/desktop.h"
#include "identity/identity.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "scrambler.h"
#include "service/clientfacts.h"
#include "settingsstore.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPointer>

#include <exception>
#include <limits>

namespace {

std::function<QString()> &machineIdOverride()
{
    static std::function<QString()> source;
    return source;
}

// The worker of this run, until it has deleted itself.
QPointer<TChecker> &latestWorker()
{
    static QPointer<TChecker> worker;
    return worker;
}

SettingsFile &store()
{
    if (!SettingsStore)
        throw SettingsError(QStringLiteral("The settings store is not open"));
    return *SettingsStore;
}

QString readTextOr(const QString &name, const QString &fallback)
{
    try {
        return store().ReadString(SettingsSection, name, fallback);
    } catch (const std::exception &) {
        return fallback;
    }
}

qint32 readIntegerOr(const QString &name, qint32 fallback)
{
    try {
        return store().ReadInteger(SettingsSection, name, fallback);
    } catch (const std::exception &) {
        return fallback;
    }
}

template <typename Write> void writeIgnoringFailure(Write write)
{
    try {
        write();
    } catch (const std::exception &error) {
        qCWarning(lcThermira) << "update check: a stored value was not written:" << error.what();
    }
}

QString failureEntry(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const ThermiraError *>(&error))
        return own->kindName() + QStringLiteral(" Error:\r") + own->message();
    return QStringLiteral("Exception Error:\r") + QString::fromUtf8(error.what());
}

// What of the service's message is shown: a readable amount, then "…". A message of a
// megabyte would take seconds to lay out and make a box many screens tall.
QString readableAmount(const QString &message)
{
    constexpr qsizetype MaxShownCharacters = 2000;
    return message.size() <= MaxShownCharacters ? message : cutText(message, MaxShownCharacters);
}

// The service's message goes over the program's active window on the user-interface thread;
// the worker waits until the user has closed it. A failure there comes back to the worker.
void showImportantMessage(const QString &message)
{
    std::exception_ptr failure;
    const auto show = [&message, &failure] {
        try {
            QWidget *parent = qobject_cast<QApplication *>(QCoreApplication::instance())
                                  ? QApplication::activeWindow()
                                  : nullptr;
            desktop().message(parent, readableAmount(message), QStringLiteral("IMPORTANT"),
                              QMessageBox::Warning);
        } catch (...) {
            failure = std::current_exception();
        }
    };
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread())
        show();
    else
        QMetaObject::invokeMethod(app, show, Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

// The exchange and what follows from an accepted answer. Failures it does not handle itself
// become an entry of the error record.
void exchange(const QString &machineId, qint32 startCount, const QString &storedDate, qint32 dayCount,
              const QString &today)
{
    try {
        const CheckRequest request = BuildCheckRequest(AppCaption, AppVersion, machineId, startCount);
        const CheckAnswer answer = SendCheckRequest(request);
        if (!AcceptCheckAnswer(answer))
            return;

        dayCount = NextDayCount(storedDate, dayCount, today);
        writeIgnoringFailure([&] {
            store().WriteString(SettingsSection, QStringLiteral("LastUpdateCheck"), today);
            store().WriteInteger(SettingsSection, QStringLiteral("LastUpdateCheckCount"), dayCount);
        });

        LatestVersion = announcedVersion(answer);
        writeIgnoringFailure(
            [&] { store().WriteString(SettingsSection, QStringLiteral("CurrentVersion"), LatestVersion); });

        DownloadURL = announcedAddress(answer);
        writeIgnoringFailure([&] {
            store().WriteString(SettingsSection, QStringLiteral("CurrentURL"),
                                ScrambleText(DownloadURL, ScrambleSeed));
        });

        const QString message = announcedMessage(answer);
        UpdateNotificationsAvailable = true;
        if (!isBlankText(message))
            showImportantMessage(message);

        NewVersionAvailable = NoticeDue(LatestVersion, AppVersion, ShowUpdateSetting, dayCount);
    } catch (const std::exception &error) {
        AddCheckError(failureEntry(error));
    }
}

} // namespace

TChecker::TChecker(QObject *parent) : QThread(parent)
{
    latestWorker() = this;
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TChecker::Execute()
{
    try {
        CheckFinished.store(false, std::memory_order_release);
        ClearCheckErrors();

        QString machineId;
        try {
            const std::function<QString()> &source = machineIdOverride();
            machineId = source ? source() : MachineId();
        } catch (const std::exception &) {
            machineId.clear();
            AddCheckError(QStringLiteral("Error: GUID generate problem!"));
        }

        try {
            OpenSettingsStore();
        } catch (const std::exception &) {
            AddCheckError(QStringLiteral("Error: Registry open problem!"));
        }

        const QString storedDate = readTextOr(QStringLiteral("LastUpdateCheck"), QString());
        const qint32 dayCount = readIntegerOr(QStringLiteral("LastUpdateCheckCount"), 0);
        const QString installedVersion = readTextOr(QStringLiteral("InstalledVersion"), QString());

        // Without a start counter that can be kept the run cannot go on: it ends here, and
        // CheckFinished stays false for the rest of the program.
        qint32 startCount = 0;
        try {
            startCount = store().ReadInteger(SettingsSection, QStringLiteral("HowMany"), 0);
            if (installedVersion != AppVersion)
                startCount = 0;
            if (startCount < std::numeric_limits<qint32>::max())
                ++startCount;
            store().WriteInteger(SettingsSection, QStringLiteral("HowMany"), startCount);
            store().WriteString(SettingsSection, QStringLiteral("InstalledVersion"), AppVersion);
        } catch (const std::exception &error) {
            qCWarning(lcThermira) << "update check stopped: the start counter cannot be kept:"
                                  << error.what();
            return;
        }

        const QString storedAddress = readTextOr(QStringLiteral("CurrentURL"), QString());
        DownloadURL = storedAddress.isEmpty() ? QString() : UnscrambleText(storedAddress, ScrambleSeed);
        ShowUpdateSetting = readIntegerOr(QStringLiteral("ShowUpdate"), 1);

        const QString today = TodayDateText();
        if (ScheduleAllowsExchange(ShowUpdateSetting, storedDate, dayCount, today))
            exchange(machineId, startCount, storedDate, dayCount, today);
        else
            UpdateNotificationsAvailable = true;

        CheckFinished.store(true, std::memory_order_release);
    } catch (...) {
        // Nothing may leave the thread; an unforeseen failure ends the run like a lost counter.
        qCWarning(lcThermira) << "update check stopped by an unexpected failure";
    }
}

bool CheckerThreadRunning()
{
    // Asks the thread itself: CheckFinished is set a moment before it ends, and a run that
    // stopped early never sets it.
    const QPointer<TChecker> &worker = latestWorker();
    return worker && !worker->wait(QDeadlineTimer(0));
}

void setMachineIdSourceForTesting(std::function<QString()> source)
{
    machineIdOverride() = std::move(source);
}
