// The update check on the main window: starting the worker and applying its results.
#include "tappform.h"

#include "update/checkresults.h"
#include "update/settingsstore.h"
#include "update/tchecker.h"
#include "update/tnewver.h"

#include <QAction>
#include <QTimer>

void TAppForm::TimerCheckerTimer()
{
    // The first tick only starts the worker, so its results come one interval later at the earliest.
    if (!CheckerStarted) {
        CheckerStarted = true;
        (new TChecker)->start();
        return;
    }
    // Until the worker has finished, none of its other results may be read.
    if (!CheckFinished.load(std::memory_order_acquire))
        return;

    TimerChecker->stop();
    if (UpdateNotificationsAvailable) {
        UpdateNotifications1->setEnabled(true);
        if (ShowUpdateSetting == 0)
            UpdateNotifications1->setChecked(false);
    }
    if (NewVersionAvailable && !NewVer)
        NewVer = new TNewVer(this);
}

void TAppForm::UpdateNotifications1Click()
{
    // The action has already flipped its own check mark: unchecked now means it was checked. A
    // failing write reaches the error box; the mark keeps its new state.
    if (UpdateNotifications1->isChecked())
        ShowUpdateOn();
    else
        ShowUpdateOff();
}
