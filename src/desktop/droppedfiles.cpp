#include "droppedfiles.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

QStringList droppedLocalFiles(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    QStringList files;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        const QString path = url.toLocalFile();
        if (path.isEmpty() || QFileInfo(path).isDir())
            return {};
        files.append(path);
    }
    return files;
}
