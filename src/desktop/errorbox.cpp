#include "errorbox.h"

#include "desktop.h"
#include "identity/identity.h"

QString errorBoxText(const QString &message)
{
    return withClosingFullStop(message);
}

void showErrorBox(QWidget *parent, const QString &message)
{
    desktop().message(parent, errorBoxText(message), QString::fromUtf16(ApplicationTitle),
                      QMessageBox::Critical);
}
