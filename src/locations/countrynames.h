#pragma once

#include <QStringList>

// The 245 countries and territories of the picker, in picker order.
const QStringList &countryNames();
