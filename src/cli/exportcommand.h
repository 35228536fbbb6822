#pragma once

#include "import/tableimport.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;
class QTextStream;

// The exit codes of the command line.
enum ExitCode : int { ExitSuccess = 0, ExitFailure = 1, ExitBadUsage = 2 };

struct ExportRequest
{
    QString folder;         // created when missing
    QStringList files;      // location files in order, "-" for standard input
    QChar separator;        // the field separator of every file
    QString templateFolder; // the "leaflet" folder beside the program
    // The files are tables, read as "Import Table..." reads them (separator ignored).
    std::optional<TableOverrides> tables = std::nullopt;
};

// Writes the heatmap folder from the location files, the same bytes as the window's export of
// the same list: the files are read first (as "Load Location List..." reads them, one after the
// other), then the data script is written straight from the read text and the templates are
// copied. Prints one line to out and returns ExitSuccess; a file that cannot be read, a list
// without points or a folder that cannot be written prints the message to err and returns
// ExitFailure (a file that cannot be read leaves the folder untouched). Tables print a line each
// with the rows added and skipped; skipped rows never stop the export.
int runExport(const ExportRequest &request, QIODevice &standardInput, QTextStream &out, QTextStream &err);
