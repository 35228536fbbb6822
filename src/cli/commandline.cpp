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
    QCommandLineOption table{
        QStringLiteral("table"),
        QStringLiteral("Read each FILE as a table, as \"Import Table...\" does: CSV or TSV with any "
                       "columns; the separator, a header row and the latitude, longitude and label "
                       "columns are found by themselves. Rows without usable coordinates are skipped "
                       "and counted. --separator, when given, is the tables' separator.")};
    QCommandLineOption latitudeColumn{
        QStringLiteral("lat-column"),
        QStringLiteral("With --table: the latitude column, by header name or number from 1."),
        QStringLiteral("COLUMN")};
    QCommandLineOption longitudeColumn{
        QStringLiteral("lon-column"),
        QStringLiteral("With --table: the longitude column, by header name or number from 1 (the "
                       "latitude column again when it holds \"lat, lon\" pairs)."),
        QStringLiteral("COLUMN")};
    QCommandLineOption labelColumn{
        QStringLiteral("label-column"),
        QStringLiteral("With --table: the column whose text becomes the comment in the window."),
        QStringLiteral("COLUMN")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringList{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and exit.")};

    void describe(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("Turns lists of geographic points into an interactive world heatmap.\n"
                           "Without --export, the window opens and loads each FILE as \"Load "
                           "Location List...\" does (with --table, as \"Import Table...\" does)."));
        parser.addOptions({exportFolder, separator, table, latitudeColumn, longitudeColumn, labelColumn, help,
                           version});
        parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral("Location file: one \"latitude,longitude\" per line; "
                                                    "with --table, a table. \"-\" reads standard input "
                                                    "(with --export)."),
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

// --table and its columns; the error when they do not fit together.
QString readTableOptions(const QCommandLineParser &parser, const Options &options, CommandLine &commandLine)
{
    commandLine.tables = parser.isSet(options.table);
    const std::pair<const QCommandLineOption &, QString &> columns[] = {
        {options.latitudeColumn, commandLine.tableOverrides.latitude},
        {options.longitudeColumn, commandLine.tableOverrides.longitude},
        {options.labelColumn, commandLine.tableOverrides.label}};
    for (const auto &[option, column] : columns) {
        if (!parser.isSet(option))
            continue;
        if (!commandLine.tables)
            return QStringLiteral("--%1 needs --table.").arg(option.names().front());
        const QStringList values = parser.values(option);
        if (values.size() != 1 || values.front().trimmed().isEmpty())
            return QStringLiteral("--%1 takes one column.").arg(option.names().front());
        column = values.front();
    }
    if (commandLine.tables && commandLine.separator) {
        // A table is read byte by byte: its separator must be a byte of its own.
        const QChar separator = *commandLine.separator;
        if (separator.unicode() >= 0x80 || separator == u'"' || separator == u'\r' || separator == u'\n')
            return QStringLiteral("The separator of a table must be an ASCII character other than a quote.");
        commandLine.tableOverrides.separator = separator;
    }
    return {};
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
    if (const QString error = readTableOptions(parser, options, commandLine); !error.isEmpty())
        return badUsage(error);
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
