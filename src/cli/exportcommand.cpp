#include "exportcommand.h"

#include "export/heatmapdatascript.h"
#include "export/heatmapexport.h"
#include "import/importtexts.h"
#include "locations/locationfile.h"
#include "platform/errors.h"
#include "platform/systemerror.h"
#include "platform/textlinefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTextStream>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace {

const QString StandardInputName = QStringLiteral("-");

QByteArray readStandardInput(QIODevice &input)
{
    if (!input.isOpen() && !input.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Cannot read standard input. %1").arg(trimSystemText(input.errorString())));
    return input.readAll();
}

QString readInput(const QString &file, QIODevice &standardInput)
{
    if (file == StandardInputName)
        return decodeText(readStandardInput(standardInput), TextEncoding::system());
    refuseSpecialFile(file);
    return readText(file);
}

ImportResult readTable(const QString &file, const TableOverrides &overrides, QIODevice &standardInput)
{
    if (file != StandardInputName)
        return importTableFile(file, overrides);
    const QByteArray text = decodeTextToUtf8(readStandardInput(standardInput), TextEncoding::system());
    return importTableText(text, overrides, QStringLiteral("standard input"));
}

// Creates the folder (ending in a delimiter) and its parents. A failure is reported as the data
// script's "Cannot create file", the first file the export would have written there.
void createFolder(const QString &folder)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (!error || QFileInfo(folder).isDir())
        return;
    // "File exists" would say little about a file standing where the folder should be.
    const int code = error == std::errc::file_exists ? ENOTDIR : error.value();
    throw FileError(cannotCreateFileMessage(folder + QStringView(HeatmapDataScriptName), systemErrorText(code)));
}

} // namespace

int runExport(const ExportRequest &request, QIODevice &standardInput, QTextStream &out, QTextStream &err)
{
    qsizetype points = 0;
    try {
        // Every file is read before anything is written: one that cannot be read leaves the
        // folder as it was.
        std::vector<QString> texts;
        std::vector<ImportResult> tables;
        for (const QString &file : request.files) {
            if (!request.tables) {
                texts.push_back(readInput(file, standardInput));
                continue;
            }
            tables.push_back(readTable(file, *request.tables, standardInput));
            out << (file == StandardInputName ? QStringLiteral("standard input") : file) << ": "
                << importSummary(tables.back(), QStringLiteral(" (name them with --lat-column and --lon-column)"))
                << '\n';
        }

        // The points go from the read text straight into the script, one pass, no list between.
        // The folder is made when the first point comes, so an export of nothing makes none.
        const QString target = withTrailingDelimiter(request.folder);
        std::optional<HeatmapDataScriptWriter> script;
        const auto addPoint = [&](QStringView latitude, QStringView longitude) {
            if (!script) {
                createFolder(target);
                script.emplace(target);
            }
            script->addPoint(latitude, longitude);
            ++points;
        };
        for (const QString &text : texts)
            forEachLocation(text, request.separator, [&](const LocationText &point) {
                addPoint(point.latitude, point.longitude);
            });
        for (const ImportResult &table : tables) {
            for (const LocationEntry &entry : table.entries)
                addPoint(entry.latitude, entry.longitude);
        }
        if (!script) {
            err << "No location added!\n";
            return ExitFailure;
        }
        script->commit();
        copyHeatmapTemplates(request.templateFolder, target);
    } catch (const ThermiraError &error) {
        err << withClosingFullStop(error.message()) << '\n';
        return ExitFailure;
    }
    const QString where = QDir::toNativeSeparators(QFileInfo(request.folder).absoluteFilePath());
    out << "Wrote " << points << (points == 1 ? " point to " : " points to ") << where << '\n';
    return ExitSuccess;
}
