#include "heatmapexport.h"

#include "heatmapdatascript.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

const QStringList &heatmapTemplateFiles()
{
    // index.html goes last: once it is there, everything it loads is there too.
    static const QStringList files{
        QStringLiteral("HeatLayer.js"), QStringLiteral("layers.png"), QStringLiteral("layers-2x.png"),
        QStringLiteral("leaflet.css"),  QStringLiteral("leaflet.js"), QStringLiteral("leaflet-heat.js"),
        QStringLiteral("index.html"),
    };
    return files;
}

QString withTrailingDelimiter(const QString &folder)
{
    if (folder.endsWith(u'/') || folder.endsWith(QDir::separator()))
        return folder;
    return folder + u'/';
}

bool copyReplacing(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // Written beside the target and renamed over it: a failed copy leaves the old file, and
    // a folder that only allows replacing its files still gets them.
    QSaveFile out(target);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[1 << 16];
    for (;;) {
        const qint64 got = in.read(buffer, sizeof buffer);
        if (got < 0) {
            out.cancelWriting();
            return false;
        }
        if (got == 0)
            break;
        if (out.write(buffer, got) != got) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}

QString copyHeatmapTemplates(const QString &templateFolder, const QString &target)
{
    const QString source = withTrailingDelimiter(templateFolder);
    for (const QString &name : heatmapTemplateFiles())
        copyReplacing(source + name, target + name);
    return target + QStringLiteral("index.html");
}

QString exportHeatmap(const QString &folder, const QString &templateFolder,
                      const std::vector<LocationEntry> &entries, const TextEncoding &encoding)
{
    const QString target = withTrailingDelimiter(folder);
    writeHeatmapDataScript(target, entries, encoding);
    return copyHeatmapTemplates(templateFolder, target);
}
