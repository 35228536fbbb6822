#include "identity.h"
#include "platform/instancelock.h"
#include "tappform.h"

#include <QApplication>
#include <QIcon>

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
    return app.exec();
}
