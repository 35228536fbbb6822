// The location list commands of the main window: Add, the country picker, Delete, Select All,
// loading and saving location files, and files dropped on the window.
#include "tappform.h"

#include "desktop/desktop.h"
#include "desktop/droppedfiles.h"
#include "desktop/errorbox.h"
#include "identity/identity.h"
#include "locations/gazetteer.h"
#include "locations/locationfile.h"
#include "locations/locationlistmodel.h"

#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
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
    loadLocationFile(path);
}

void TAppForm::loadLocationFile(const QString &path)
{
    // Read the whole file first: a failed load appends nothing.
    bool textButNoEntries = false;
    std::vector<LocationEntry> entries =
        readLocationFile(path, AppListSeparator, TextEncoding::system(), &textButNoEntries);
    if (textButNoEntries) {
        // Lines without the separator are skipped; when that leaves nothing, say so rather than
        // seem to have loaded the file.
        desktop().message(this, noLocationLoadedMessage(path, AppListSeparator), QStringLiteral("WARNING"),
                          QMessageBox::Warning);
        return;
    }
    m_locations->append(std::move(entries));
}

void TAppForm::loadLocationFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        runCommand(this, [this, &path] { loadLocationFile(path); });
}

void TAppForm::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void TAppForm::dragMoveEvent(QDragMoveEvent *event)
{
    if (droppedLocalFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void TAppForm::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedLocalFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    loadLocationFiles(files);
}

bool TAppForm::eventFilter(QObject *watched, QEvent *event)
{
    // The coordinate fields would take a dropped file's address as typed text; let the window
    // load the file instead, as it does wherever else the file is dropped.
    const bool field = watched == Edit1 || watched == Edit2;
    if (!field || !(event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                    event->type() == QEvent::Drop))
        return QMainWindow::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    if (!drop->mimeData()->hasUrls())
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::Drop)
        dropEvent(drop);
    else
        dragMoveEvent(static_cast<QDragMoveEvent *>(event));
    return true;
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
