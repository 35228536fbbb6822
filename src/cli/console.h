#pragma once

#include "commandline.h"

class QIODevice;
class QTextStream;

// Carries out what a command line without a window asks for (export, help, version, bad usage)
// and returns the process's exit code. Needs a QCoreApplication, nothing of the GUI.
int runInConsole(const CommandLine &commandLine, QIODevice &standardInput, QTextStream &out, QTextStream &err);

// The same on the process's own standard streams.
int runInConsole(const CommandLine &commandLine);
