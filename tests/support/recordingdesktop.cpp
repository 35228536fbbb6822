#include "recordingdesktop.h"

#include <QEventLoop>
#include <QTimer>

void RecordingDesktop::openUrl(const QUrl &url)
{
    openedUrls.append(url);
}

void RecordingDesktop::showInFileManager(const QString &filePath)
{
    shownItems.append(filePath);
}

QString RecordingDesktop::chooseFolder(QWidget *, const QString &title, const QString &acceptLabel,
                                       const QString &startFolder)
{
    dialogCalls.append({QStringLiteral("folder"), title, acceptLabel, startFolder, {}, {}});
    return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
}

QString RecordingDesktop::chooseOpenFile(QWidget *, const QString &filter, const QString &defaultSuffix,
                                         const QString &lastFile)
{
    dialogCalls.append({QStringLiteral("open"), {}, {}, lastFile, filter, defaultSuffix});
    return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
}

QString RecordingDesktop::chooseSaveFile(QWidget *, const QString &filter, const QString &defaultSuffix,
                                         const QString &lastFile)
{
    dialogCalls.append({QStringLiteral("save"), {}, {}, lastFile, filter, defaultSuffix});
    return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
}

void RecordingDesktop::message(QWidget *, const QString &text, const QString &caption, QMessageBox::Icon icon)
{
    const Message m{text, caption, icon};
    messages.append(m);
    if (onMessage)
        onMessage(m);
    if (boxOpenMs > 0) {
        QEventLoop box;
        QTimer::singleShot(boxOpenMs, &box, &QEventLoop::quit);
        box.exec();
    }
}
