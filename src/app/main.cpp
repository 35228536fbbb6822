#include "cli/commandline.h"
#include "cli/console.h"
#include "identity/identity.h"
#include "platform/instancelock.h"
#include "tappform.h"
#include "update/tchecker.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>

int main(int argc, char *argv[])
{
    const CommandLine commandLine = parseCommandLine(commandLineArguments(argc, argv));
    // Held, never tested, until the process ends.
    const InstanceLock instanceLock(QStringLiteral("PALVEX_Thermira"));
    if (commandLine.action != CommandLine::Action::Window) {
        // No window: Qt Core only, so it runs without any display.
        QCoreApplication app(argc, argv);
        return runInConsole(commandLine);
    }

    // The arguments are read above; Qt must not take a file name for one of its own options.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("PALVEX"));
    QCoreApplication::setApplicationName(QString::fromUtf16(ApplicationTitle));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/thermira.svg")));
    // The installed desktop entry's name: desktops match the window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.palvex.Thermira"));

    TAppForm appForm(QCoreApplication::applicationFilePath());
    // A table's separator is the table's alone; the location files' is kept for the session.
    if (commandLine.separator && !commandLine.tables)
        AppListSeparator = *commandLine.separator;
    appForm.show();
    if (commandLine.tables)
        appForm.importTableFiles(commandLine.files, commandLine.tableOverrides);
    else
        appForm.loadLocationFiles(commandLine.files);
    const int exitCode = app.exec();
    // The update check may still be waiting for the service (up to twice 10 s). Nothing of it
    // needs finishing, so leave without tearing down what it still uses.
    if (CheckerThreadRunning())
        std::quick_exit(exitCode);
    return exitCode;
}
