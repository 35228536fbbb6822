#pragma once

#include "locations/locationentry.h"
#include "platform/textlinefile.h"

#include <QString>
#include <QStringView>

#include <vector>

// Writes "leaflet-heat-data.js" into the folder (which ends in a path delimiter): the global
// array addressPoints with one [latitude, longitude, "10"] element per entry, in list order.
// Throws FileError "Cannot create file ..." or "Stream write error".
void writeHeatmapDataScript(const QString &folder, const std::vector<LocationEntry> &entries,
                            const TextEncoding &encoding = TextEncoding::system());

// The name of the data script inside an export folder.
inline constexpr char16_t HeatmapDataScriptName[] = u"leaflet-heat-data.js";

// True when the text can stand in the script as it is: a decimal number that every browser
// reads as that number (see the grammar in the .cpp file).
bool isPlainNumber(QStringView text);

// Appends the text as it goes into a point: unchanged when it is a plain number, otherwise as a
// JavaScript string literal that can neither end the array nor the page's script element.
void appendCoordinate(QString &line, QStringView text);
