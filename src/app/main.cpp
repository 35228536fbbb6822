#include "identity/identity.h"
#include "platform/instancelock.h"
#include "tappform.h"
#include "update/tchecker.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>

int main(int argc, char *argv[])
{
    // Held, never tested, until the process ends.
    const InstanceLock instanceLock(QStringLiteral("PALVEX_Thermira"));

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("PALVEX"));
    QCoreApplication::setApplicationName(QString::fromUtf16(ApplicationTitle));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/thermira.svg")));

    TAppForm appForm(QCoreApplication::applicationFilePath());
    appForm.show();
    const int exitCode = app.exec();
    // The update check may still be waiting for the service (up to twice 10 s). Nothing of it
    // needs finishing, so leave without tearing down what it still uses.
    if (CheckerThreadRunning())
        std::quick_exit(exitCode);
    return exitCode;
}
