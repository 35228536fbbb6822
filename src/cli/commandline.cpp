#include "commandline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace {

// Every option of the command line. The parser and the help text are built from the same
// description, so a new option is one entry here and its reading in parseCommandLine().
struct Options
{
    QCommandLineOption exportFolder{
        QStringLiteral("export"),
        QStringLiteral("Write the heatmap folder FOLDER (created if needed) from the location files "
                       "and exit, without a window."),
        QStringLiteral("FOLDER")};
    QCommandLineOption separator{
        QStringLiteral("separator"),
        QStringLiteral("Field separator of the location files, one character. Default: the list "
                       "separator of your regional format, as in the window."),
        QStringLiteral("CHARACTER")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringList{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and exit.")};

    void describe(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("Turns lists of geographic points into an interactive world heatmap.\n"
                           "Without --export, the window opens and loads each FILE as \"Load "
                           "Location List...\" does."));
        parser.addOptions({exportFolder, separator, help, version});
        parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral("Location file: one \"latitude,longitude\" per line. "
                                                    "\"-\" reads standard input (with --export)."),
                                     QStringLiteral("[FILE...]"));
    }
};

CommandLine badUsage(const QString &error)
{
    CommandLine commandLine;
    commandLine.action = CommandLine::Action::BadUsage;
    commandLine.usageError = error;
    return commandLine;
}

} // namespace

QStringList commandLineArguments(int argc, char *argv[])
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    const Options options;
    QCommandLineParser parser;
    options.describe(parser);
    if (!parser.parse(arguments))
        return badUsage(parser.errorText());

    CommandLine commandLine;
    if (parser.isSet(options.help)) {
        commandLine.action = CommandLine::Action::Help;
        return commandLine;
    }
    if (parser.isSet(options.version)) {
        commandLine.action = CommandLine::Action::Version;
        return commandLine;
    }
    commandLine.files = parser.positionalArguments();
    if (parser.isSet(options.separator)) {
        const QStringList values = parser.values(options.separator);
        if (values.size() != 1 || values.front().size() != 1)
            return badUsage(QStringLiteral("The separator must be one character."));
        commandLine.separator = values.front().front();
    }
    if (!parser.isSet(options.exportFolder)) {
        if (commandLine.files.contains(QStringLiteral("-")))
            return badUsage(QStringLiteral("Standard input (\"-\") is read by --export only."));
        return commandLine;
    }
    const QStringList folders = parser.values(options.exportFolder);
    if (folders.size() != 1 || folders.front().isEmpty())
        return badUsage(QStringLiteral("--export takes one folder."));
    if (commandLine.files.isEmpty())
        return badUsage(QStringLiteral("--export needs at least one location file (\"-\" for standard input)."));
    commandLine.action = CommandLine::Action::Export;
    commandLine.exportFolder = folders.front();
    return commandLine;
}

QString commandLineHelp()
{
    const Options options;
    QCommandLineParser parser;
    options.describe(parser);
    return parser.helpText();
}
