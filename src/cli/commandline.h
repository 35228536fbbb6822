#pragma once

#include "import/tableimport.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. It is read before any application object exists, so that the
// program knows whether it needs a window (and so a display) at all.
struct CommandLine
{
    enum class Action { Window, Export, Help, Version, BadUsage };

    Action action = Action::Window;
    QStringList files;              // location files in order; "-" is standard input (export only)
    QString exportFolder;           // --export FOLDER
    std::optional<QChar> separator; // --separator; otherwise the locale's, as in the window
    // --table: the files are tables, read as "Import Table..." reads them; the columns of
    // --lat-column, --lon-column and --label-column, and --separator, instead of detection.
    bool tables = false;
    TableOverrides tableOverrides;
    QString usageError; // BadUsage: what is wrong, one sentence
};

// The process's arguments as text, the program's name first.
QStringList commandLineArguments(int argc, char *argv[]);

CommandLine parseCommandLine(const QStringList &arguments);

// The --help text: usage line, description, options and arguments. Needs the application object
// (the usage line names the program as it was started).
QString commandLineHelp();
