// "Create World Heatmap": the folder choice and the export into it.
#include "tappform.h"

void TAppForm::Button2Click()
{
}

void TAppForm::KlasorSecildi(const QString &hedefklasor)
{
    Q_UNUSED(hedefklasor);
}
