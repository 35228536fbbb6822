#include "desktop.h"

#include "platform/logging.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>

namespace {

Desktop *g_replacement = nullptr;

Desktop &realDesktop()
{
    static Desktop instance;
    return instance;
}

QString selectedFile(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter,
                      const QString &defaultSuffix, const QString &lastFile)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!lastFile.isEmpty())
        dialog.selectFile(lastFile);
    return selectedFile(dialog);
}

} // namespace

Desktop::~Desktop() = default;

Desktop &desktop()
{
    return g_replacement ? *g_replacement : realDesktop();
}

void setDesktop(Desktop *replacement)
{
    g_replacement = replacement;
}

void Desktop::openUrl(const QUrl &url)
{
    if (!QDesktopServices::openUrl(url))
        qCInfo(lcThermira) << "no application opened" << url;
}

void Desktop::showInFileManager(const QString &filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openUrl(QUrl::fromLocalFile(folder));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(filePath).toString()} << QString();
    // Asynchronous, so that a slow or absent file manager never stalls the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp, [this, watcher, folder] {
        if (watcher->isError())
            openUrl(QUrl::fromLocalFile(folder));
        watcher->deleteLater();
    });
}

QString Desktop::chooseFolder(QWidget *parent, const QString &title, const QString &acceptLabel,
                              const QString &startFolder)
{
    QFileDialog dialog(parent, title, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, acceptLabel);
    if (!startFolder.isEmpty())
        dialog.selectFile(startFolder);
    return selectedFile(dialog);
}

QString Desktop::chooseOpenFile(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                                const QString &lastFile)
{
    // A typed name of a file that does not exist is accepted; opening it then reports the error.
    return runFileDialog(parent, QFileDialog::AcceptOpen, filter, defaultSuffix, lastFile);
}

QString Desktop::chooseSaveFile(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                                const QString &lastFile)
{
    // The save dialog asks before it replaces an existing file.
    return runFileDialog(parent, QFileDialog::AcceptSave, filter, defaultSuffix, lastFile);
}

void Desktop::message(QWidget *parent, const QString &text, const QString &caption, QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void Desktop::beep()
{
    QApplication::beep();
}
