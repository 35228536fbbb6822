#include "benchsupport.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

QTemporaryDir &benchFolder()
{
    static QTemporaryDir dir;
    return dir;
}

void AnsweringDesktop::message(QWidget *, const QString &text, const QString &, QMessageBox::Icon)
{
    std::fprintf(stderr, "message box: %s\n", qPrintable(text));
    ++messages;
}

int runBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
