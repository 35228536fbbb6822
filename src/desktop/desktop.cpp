#include "desktop.h"

#include "platform/logging.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QScreen>
#include <QStyle>

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

// A message box that fits its screen: a text too tall for it is cut, marked with "…", so that
// the OK button can always be reached. The box knows its size only once it is shown.
class ScreenFittingMessageBox final : public QMessageBox
{
public:
    ScreenFittingMessageBox(Icon icon, const QString &caption, const QString &text, QWidget *parent)
        : QMessageBox(icon, caption, text, QMessageBox::Ok, parent), m_text(text)
    {
        setTextFormat(Qt::PlainText);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        // Before it is mapped, a window manager's frame is not known yet: leave room for a title.
        int frame = frameGeometry().height() - height();
        if (frame == 0)
            frame = 2 * style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
        const int room = screen()->availableGeometry().height() - frame;
        if (height() <= room)
            return;
        // The longest start of the text that still fits.
        qsizetype fits = 0;
        qsizetype tooLong = m_text.size();
        while (tooLong - fits > 1) {
            const qsizetype middle = (fits + tooLong) / 2;
            setText(cutText(m_text, middle));
            (height() <= room ? fits : tooLong) = middle;
        }
        setText(cutText(m_text, fits));
        adjustPosition(parentWidget());
    }

private:
    QString m_text;
};

// Whether a failed call got no answer at all. Every other failure is an answer: no file manager
// registered or activatable (ServiceUnknown), or its error reply. A file manager that is slow
// to start may still show the file, so no answer in time is no reason to open the folder too.
bool isMissingAnswer(const QDBusError &error)
{
    return error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
           error.type() == QDBusError::TimedOut;
}

} // namespace

QString cutText(const QString &text, qsizetype length)
{
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + u'\u2026';
}

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
        if (watcher->isError() && !isMissingAnswer(watcher->error()))
            openUrl(QUrl::fromLocalFile(folder));
        watcher->deleteLater();
    });
}

QString Desktop::chooseFolder(QWidget *parent, const QString &title, const QString &acceptLabel,
                              const QString &startFolder)
{
    // Opens at the folder itself; selecting it would open its parent with its name in the box.
    QFileDialog dialog(parent, title, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, acceptLabel);
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
    ScreenFittingMessageBox box(icon, caption, text, parent);
    box.exec();
}

void Desktop::beep()
{
    QApplication::beep();
}
