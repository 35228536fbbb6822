// "Create World Heatmap": the folder choice and the export into it.
#include "tappform.h"

#include "desktop/desktop.h"
#include "export/heatmapexport.h"
#include "locations/locationlistmodel.h"

void TAppForm::Button2Click()
{
    if (m_locations->size() == 0) {
        desktop().message(this, QStringLiteral("No location added!"), QStringLiteral("WARNING"),
                          QMessageBox::Warning);
        return;
    }
    const QString chosen = desktop().chooseFolder(this, QStringLiteral("Select folder:"),
                                                  QStringLiteral("Select"), LastExportFolder);
    if (chosen.isEmpty())
        return;
    // Kept even when the export below fails, so that the next dialog opens there again.
    LastExportFolder = chosen;
    KlasorSecildi(chosen);
}

void TAppForm::KlasorSecildi(const QString &hedefklasor)
{
    const QString page =
        exportHeatmap(hedefklasor, m_programFolder + QStringLiteral("/leaflet"), m_locations->entries());
    desktop().showInFileManager(page);
}
