// The update check on the main window: starting the worker and applying its results.
#include "tappform.h"

void TAppForm::TimerCheckerTimer()
{
}

void TAppForm::UpdateNotifications1Click()
{
}
