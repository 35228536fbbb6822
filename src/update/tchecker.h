#pragma once

#include <QString>
#include <QThread>

#include <functional>

// The update check worker: one run per start of the program. Create it with `new TChecker` and
// start() it; it deletes itself when its run is over. Its results are in checkresults.h.
class TChecker final : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TChecker)

public:
    explicit TChecker(QObject *parent = nullptr);

    // One whole run; never throws. Tests may call it directly, on any thread.
    void Execute();

protected:
    void run() override { Execute(); }
};

// Whether the worker's thread has been started and has not ended yet (user-interface thread). At
// exit the program must not tear down what a running worker still uses.
bool CheckerThreadRunning();

// Replaces the machine identifier reader for tests; an empty function restores MachineId().
void setMachineIdSourceForTesting(std::function<QString()> source);
