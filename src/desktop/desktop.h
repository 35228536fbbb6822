#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

class QWidget;

// What the windows ask of the desktop: file and folder dialogs, message boxes, the beep, the
// browser and the file manager. The windows reach it through desktop(); tests install a
// recording stand-in with setDesktop() so that nothing modal blocks and nothing is launched.
class Desktop
{
public:
    virtual ~Desktop();

    // Hands a web address or a local file to the user's default application. Never reports.
    virtual void openUrl(const QUrl &url);
    // Opens the file manager on the file's folder with the file selected (org.freedesktop.
    // FileManager1.ShowItems); opens the folder itself when there is no file manager or it
    // answers with an error, never when it is only slow to answer.
    virtual void showInFileManager(const QString &filePath);

    // Empty text when the user cancels.
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &acceptLabel,
                                 const QString &startFolder);
    virtual QString chooseOpenFile(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                                   const QString &lastFile);
    virtual QString chooseSaveFile(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                                   const QString &lastFile);

    // A modal box with one OK button; the text is always shown as plain text.
    virtual void message(QWidget *parent, const QString &text, const QString &caption, QMessageBox::Icon icon);
    virtual void beep();
};

// The first `length` characters of the text (a surrogate pair is never split), then "…".
QString cutText(const QString &text, qsizetype length);

Desktop &desktop();
// Replaces the desktop for tests; nullptr restores the real one. Not owned.
void setDesktop(Desktop *replacement);
