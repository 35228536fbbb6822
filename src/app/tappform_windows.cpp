// Help menu windows: Send Feedback and About, each modal.
#include "tappform.h"

void TAppForm::SendFeedback1Click()
{
}

void TAppForm::About1Click()
{
}
