#pragma once

#include "desktop/desktop.h"

#include <QString>

class QTemporaryDir;

// What the window benchmarks share.

// A folder for the large files the benchmarks make, removed at exit.
QTemporaryDir &benchFolder();

// Answers every file dialog with one name and keeps message boxes from blocking (they are
// counted and printed, since a benchmark expects none).
class AnsweringDesktop final : public Desktop
{
public:
    AnsweringDesktop() { setDesktop(this); }
    ~AnsweringDesktop() override { setDesktop(nullptr); }
    AnsweringDesktop(const AnsweringDesktop &) = delete;
    AnsweringDesktop &operator=(const AnsweringDesktop &) = delete;

    QString chooseOpenFile(QWidget *, const QString &, const QString &, const QString &) override { return file; }
    QString chooseSaveFile(QWidget *, const QString &, const QString &, const QString &) override { return file; }
    void message(QWidget *, const QString &text, const QString &, QMessageBox::Icon) override;

    QString file;
    int messages = 0;
};

// The benchmarks' main: the offscreen platform unless another is set, a QApplication, and
// every benchmark registered in the program.
int runBenchmarks(int argc, char **argv);
