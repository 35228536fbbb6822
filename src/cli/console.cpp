#include "console.h"

#include "exportcommand.h"
#include "identity/identity.h"
#include "platform/errors.h"
#include "platform/localefacts.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTextStream>

#include <cstdio>

int runInConsole(const CommandLine &commandLine, QIODevice &standardInput, QTextStream &out, QTextStream &err)
{
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        out << commandLineHelp();
        return ExitSuccess;
    case CommandLine::Action::Version: {
        // The version record of the program's own file, as the About window shows it.
        const QString failure = assignIdentity(programFile());
        if (!failure.isEmpty()) {
            err << withClosingFullStop(failure) << '\n';
            return ExitFailure;
        }
        out << AppProductName << ' ' << AppVersion << '\n';
        return ExitSuccess;
    }
    case CommandLine::Action::Export: {
        ExportRequest request{commandLine.exportFolder, commandLine.files,
                              commandLine.separator.value_or(listSeparatorFor(QLocale::system())),
                              programFolder() + QStringLiteral("/leaflet")};
        if (commandLine.tables)
            request.tables = commandLine.tableOverrides;
        return runExport(request, standardInput, out, err);
    }
    case CommandLine::Action::BadUsage:
    case CommandLine::Action::Window:
        break;
    }
    err << QCoreApplication::applicationName() << ": " << commandLine.usageError << "\n\n" << commandLineHelp();
    return ExitBadUsage;
}

int runInConsole(const CommandLine &commandLine)
{
    QFile input;
    // A standard input that cannot be opened is reported when an export reads it.
    (void)input.open(stdin, QIODevice::ReadOnly);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runInConsole(commandLine, input, out, err);
}
