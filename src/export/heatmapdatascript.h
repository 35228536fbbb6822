#pragma once

#include "locations/locationentry.h"
#include "platform/textlinefile.h"

#include <QString>

#include <vector>

// Writes "leaflet-heat-data.js" into the folder (which ends in a path delimiter): the global
// array addressPoints with one [latitude, longitude, "10"] element per entry, in list order.
// Throws FileError "Cannot create file ..." or "Stream write error".
void writeHeatmapDataScript(const QString &folder, const std::vector<LocationEntry> &entries,
                            const TextEncoding &encoding = TextEncoding::system());
