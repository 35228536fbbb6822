#pragma once

#include <QString>

#include <atomic>

// What one update check leaves for the main window. The worker writes every other value before
// it sets CheckFinished (release); the main window reads them only after it has seen
// CheckFinished set (acquire).
extern std::atomic<bool> CheckFinished;
extern bool UpdateNotificationsAvailable;
extern qint32 ShowUpdateSetting;
extern bool NewVersionAvailable;
extern QString LatestVersion;
extern QString DownloadURL;

// Set when the main window has started the worker; never cleared, so one worker per run.
extern bool CheckerStarted;

// Puts every value back to its start-of-program state (tests run several checks in one process).
void resetCheckResultsForTesting();
