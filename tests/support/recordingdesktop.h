#pragma once

#include "desktop/desktop.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>

// Stands in for the desktop while it lives: records every message box, opened address, file
// manager request and beep, and answers dialogs from queues (an empty queue means Cancel).
class RecordingDesktop final : public Desktop
{
public:
    struct Message
    {
        QString text;
        QString caption;
        QMessageBox::Icon icon;
    };
    struct DialogCall
    {
        QString kind; // "folder", "open" or "save"
        QString title;
        QString acceptLabel;
        QString start; // the folder or file the dialog was preset with
        QString filter;
        QString defaultSuffix;
    };

    RecordingDesktop() { setDesktop(this); }
    ~RecordingDesktop() override { setDesktop(nullptr); }
    RecordingDesktop(const RecordingDesktop &) = delete;
    RecordingDesktop &operator=(const RecordingDesktop &) = delete;

    void openUrl(const QUrl &url) override;
    void showInFileManager(const QString &filePath) override;
    QString chooseFolder(QWidget *parent, const QString &title, const QString &acceptLabel,
                         const QString &startFolder) override;
    QString chooseOpenFile(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                           const QString &lastFile) override;
    QString chooseSaveFile(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                           const QString &lastFile) override;
    void message(QWidget *parent, const QString &text, const QString &caption, QMessageBox::Icon icon) override;
    void beep() override { ++beeps; }

    QList<Message> messages;
    QList<QUrl> openedUrls;
    QStringList shownItems;
    QList<DialogCall> dialogCalls;
    int beeps = 0;

    QStringList folderAnswers;
    QStringList openAnswers;
    QStringList saveAnswers;
    // Called while a message box would be open (e.g. to look at the window behind it).
    std::function<void(const Message &)> onMessage;
    // A real box runs an event loop of its own until it is closed: with this set, every box runs
    // one for that many milliseconds (timers fire, queued calls run) before it returns.
    int boxOpenMs = 0;
};
