#pragma once

#include <QStringList>

class QMimeData;

// The local files of a drag, in order, or nothing when the drag holds anything else as well: a
// folder, a remote address, or no addresses at all. A window accepts the drop only when this is
// not empty, so everything else gets the no-drop cursor.
QStringList droppedLocalFiles(const QMimeData *data);
