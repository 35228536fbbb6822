// Starts exactly as the program does, prints how long it took until the main window was on
// the screen (with its country table read), and exits. Built beside the program so that it
// finds countries.dat there.
#include "app/tappform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("PALVEX"));
    QCoreApplication::setApplicationName(QStringLiteral("Thermira"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/thermira.svg")));
    TAppForm form(QCoreApplication::applicationFilePath());
    // No update check here: the timer, started when the window shows, starts nothing.
    form.TimerChecker->disconnect();
    form.show();
    // The first turn of the event loop after show() is when the window has been painted.
    QTimer::singleShot(0, &form, [&] {
        std::printf("main window shown after %.1f ms\n", clock.nsecsElapsed() / 1e6);
        QCoreApplication::quit();
    });
    return app.exec();
}
