// Importing tables of places: "Import Table..." for files, Paste (Ctrl+V) for ranges copied
// from a spreadsheet; both through the import dialog.
#include "tappform.h"

#include "desktop/desktop.h"
#include "desktop/errorbox.h"
#include "import/importtexts.h"
#include "import/timporttableform.h"
#include "locations/locationlistmodel.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

namespace {

const QString TableFileFilter = QStringLiteral("Table (*.csv *.tsv *.txt);;Any File (*)");
const QString TableFileSuffix = QStringLiteral("csv");
const QString ImportCaption = QStringLiteral("Import Table");

} // namespace

void TAppForm::addImportCommands(QMenu *fileMenu)
{
    ImportTable1 = fileMenu->addAction(QIcon(QStringLiteral(":/icons/table-import.svg")),
                                       QStringLiteral("Import Table..."));
    PopupMenu1->addSeparator();
    Paste1 = PopupMenu1->addAction(QStringLiteral("Paste"));
    // The key works anywhere in the window, not only while the popup menu is open; a text
    // field with the focus keeps Ctrl+V for itself.
    Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    Paste1->setShortcutContext(Qt::WindowShortcut);
    addAction(Paste1);
    connect(ImportTable1, &QAction::triggered, this, [this] { runCommand(this, [this] { ImportTable1Click(); }); });
    connect(Paste1, &QAction::triggered, this, [this] { runCommand(this, [this] { Paste1Click(); }); });
}

void TAppForm::ImportTable1Click()
{
    const QString path = desktop().chooseOpenFile(this, TableFileFilter, TableFileSuffix, m_lastImportFile);
    if (path.isEmpty())
        return;
    m_lastImportFile = path;
    importTable(TableSource::file(path));
}

void TAppForm::Paste1Click()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.trimmed().isEmpty()) {
        desktop().message(this, QStringLiteral("The clipboard holds no text to import. Copy a range of cells with latitudes and longitudes first."),
                          ImportCaption, QMessageBox::Information);
        return;
    }
    importTable(TableSource::pasted(text));
}

void TAppForm::importTable(const TableSource &source)
{
    ImportPreview preview(source);
    if (!preview.hasText()) {
        desktop().message(this, QStringLiteral("\"%1\" holds no table.").arg(QFileInfo(source.path()).fileName()),
                          ImportCaption, QMessageBox::Information);
        return;
    }
    TImportTableForm form(std::move(preview), this);
    if (form.exec() != QDialog::Accepted)
        return;
    appendImported(form.takeResult(), {});
}

void TAppForm::importTableFiles(const QStringList &paths, const TableOverrides &overrides)
{
    for (const QString &path : paths) {
        runCommand(this, [this, &path, &overrides] {
            appendImported(importTableFile(path, overrides), QFileInfo(path).fileName());
        });
    }
}

void TAppForm::appendImported(ImportResult result, const QString &tableName)
{
    QString summary = importSummary(result);
    if (!tableName.isEmpty())
        summary = QStringLiteral("\"%1\": ").arg(tableName) + summary;
    m_locations->append(std::move(result.entries));
    desktop().message(this, summary, ImportCaption,
                      result.skipped > 0 ? QMessageBox::Warning : QMessageBox::Information);
}
