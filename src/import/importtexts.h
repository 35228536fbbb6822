#pragma once

#include "tableimport.h"

#include <QString>

// The dialog's line under the preview: "1,000 rows will be added, 3 skipped (rows 4, 9, 12)."
QString importCountLine(const ImportResult &result);

// The message after an import: how many were added, how many skipped and which; first, when the
// coordinate columns were not found, that, with the hint how to name them (" (...)").
QString importSummary(const ImportResult &result, const QString &howToNameColumns = {});
