#pragma once

#include "locations/locationentry.h"
#include "platform/textlinefile.h"

#include <QString>
#include <QStringList>

#include <vector>

// The template files of the heatmap page, in the order in which they are copied from the
// "leaflet" folder beside the program into an export folder, each under its own name.
const QStringList &heatmapTemplateFiles();

// The folder with a path delimiter at its end ("/" is kept as it is).
QString withTrailingDelimiter(const QString &folder);

// Exports the list into the folder: writes the data script first, then copies the templates
// from templateFolder, each replacing a file of the same name. A template that is missing or
// cannot be copied is skipped silently. A failed data script throws its FileError before any
// template is copied. Returns the full path of the page, "<folder>/index.html".
QString exportHeatmap(const QString &folder, const QString &templateFolder,
                      const std::vector<LocationEntry> &entries,
                      const TextEncoding &encoding = TextEncoding::system());

// Copies the templates from templateFolder into the target folder (which ends in a path
// delimiter), in their order, each replacing a file of the same name; one that is missing or
// cannot be copied is skipped silently. Returns the full path of the page.
QString copyHeatmapTemplates(const QString &templateFolder, const QString &target);

// Copies one file, replacing the target; the target changes only when the whole copy worked.
bool copyReplacing(const QString &source, const QString &target);
