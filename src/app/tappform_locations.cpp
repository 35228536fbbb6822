// The location list commands of the main window: Add, the country picker, Delete, Select All,
// and loading and saving location files.
#include "tappform.h"

#include "desktop/desktop.h"
#include "identity/identity.h"
#include "locations/gazetteer.h"
#include "locations/locationfile.h"
#include "locations/locationlistmodel.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

namespace {

const QString LocationFileFilter = QStringLiteral("CSV File (*.csv);;Any File (*)");
const QString LocationFileSuffix = QStringLiteral("csv");

} // namespace

void TAppForm::Button1Click()
{
    m_locations->append(LocationEntry{Edit1->text(), Edit2->text(), ComboBox1->currentText()});
}

void TAppForm::ComboBox1Change()
{
    const std::optional<CountryPoint> point = lookUpCountry(CountryTable, ComboBox1->currentText());
    if (!point)
        return;
    Edit1->setText(point->latitude);
    Edit2->setText(point->longitude);
}

void TAppForm::Delete1Click()
{
    m_locations->removeSelected(ListView1->selectionModel()->selection());
}

void TAppForm::SelectAll1Click()
{
    ListView1->selectAll();
}

void TAppForm::Button3Click()
{
    const QString path =
        desktop().chooseOpenFile(this, LocationFileFilter, LocationFileSuffix, m_lastOpenFile);
    if (path.isEmpty())
        return;
    m_lastOpenFile = path;
    // Read the whole file first: a failed load appends nothing.
    bool skippedText = false;
    std::vector<LocationEntry> entries = readLocationFile(path, AppListSeparator, TextEncoding::system(), &skippedText);
    if (entries.empty() && skippedText) {
        // Lines without the separator are skipped; when that leaves nothing, say so rather than
        // seem to have loaded the file.
        desktop().message(this, noLocationLoadedMessage(path, AppListSeparator), QStringLiteral("WARNING"),
                          QMessageBox::Warning);
        return;
    }
    m_locations->append(std::move(entries));
}

void TAppForm::Button4Click()
{
    const QString path =
        desktop().chooseSaveFile(this, LocationFileFilter, LocationFileSuffix, m_lastSaveFile);
    if (path.isEmpty())
        return;
    m_lastSaveFile = path;
    writeLocationFile(path, m_locations->entries(), AppListSeparator);
}
