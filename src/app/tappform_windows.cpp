// Help menu windows: Send Feedback and About, each modal and made anew for every use.
#include "about/taboutbox.h"
#include "feedback/tfeedbackform.h"
#include "tappform.h"

void TAppForm::SendFeedback1Click()
{
    // Frees itself when it closes, so nothing typed survives to the next opening.
    auto *feedbackForm = new TFeedbackForm(this);
    feedbackForm->exec();
}

void TAppForm::About1Click()
{
    auto *aboutBox = new TAboutBox(m_programFolder, this);
    aboutBox->exec();
}
