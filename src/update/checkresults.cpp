#include "checkresults.h"

std::atomic<bool> CheckFinished{false};
bool UpdateNotificationsAvailable = false;
qint32 ShowUpdateSetting = 0;
bool NewVersionAvailable = false;
QString LatestVersion;
QString DownloadURL;
bool CheckerStarted = false;

void resetCheckResultsForTesting()
{
    CheckFinished.store(false, std::memory_order_release);
    UpdateNotificationsAvailable = false;
    ShowUpdateSetting = 0;
    NewVersionAvailable = false;
    LatestVersion.clear();
    DownloadURL.clear();
    CheckerStarted = false;
}
