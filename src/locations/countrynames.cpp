#include "countrynames.h"

const QStringList &countryNames()
{
    static const QStringList names;
    return names;
}
