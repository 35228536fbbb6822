#pragma once

#include "locations/locationentry.h"
#include "platform/textlinefile.h"

#include <QString>
#include <QStringView>

#include <vector>

// Writes "leaflet-heat-data.js" into the folder (which ends in a path delimiter) point by point:
// the global array addressPoints with one [latitude, longitude, "10"] element per point, in
// order. The file is the folder's only when commit() is reached; until then its old content
// stays. Throws FileError "Cannot create file ..." or "Stream write error".
class HeatmapDataScriptWriter
{
public:
    explicit HeatmapDataScriptWriter(const QString &folder, const TextEncoding &encoding = TextEncoding::system());

    void addPoint(QStringView latitude, QStringView longitude);
    void commit();

private:
    TextLineWriter m_writer;
    bool m_hasPoints = false;
};

// The same for a whole list.
void writeHeatmapDataScript(const QString &folder, const std::vector<LocationEntry> &entries,
                            const TextEncoding &encoding = TextEncoding::system());

// The name of the data script inside an export folder.
inline constexpr char16_t HeatmapDataScriptName[] = u"leaflet-heat-data.js";

// True when the text can stand in the script as it is: a decimal number that every browser
// reads as that number (see the grammar in the .cpp file).
bool isPlainNumber(QStringView text);
