#include "localefacts.h"

QChar listSeparatorFor(const QLocale &locale)
{
    return locale.decimalPoint() == QStringLiteral(",") ? QChar(u';') : QChar(u',');
}
