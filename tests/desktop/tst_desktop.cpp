// The real desktop's dialogs and boxes, opened on the offscreen screen and answered from a timer
// while they run their own event loop.
#include "desktop/desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Calls `act` with the modal window once it is open (from inside its own event loop).
void whenModalOpens(const std::function<void(QWidget *)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->deleteLater();
            poll->stop();
            act(modal);
        }
    });
    poll->start();
}

// Records the folders the desktop opens instead of opening them.
class FolderRecorder final : public Desktop
{
public:
    void openUrl(const QUrl &url) override { opened.append(url); }
    QList<QUrl> opened;
};

} // namespace

// Plays the file manager on the test's session bus, over a connection of its own: answers
// ShowItems at once, with an error, or not at all (as a file manager that is slow to start).
class FakeFileManager final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    enum class Answer
    {
        Done,
        Error,
        Never,
    };

    explicit FakeFileManager(Answer answer)
        : m_answer(answer), m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name))
    {}
    ~FakeFileManager() override { QDBusConnection::disconnectFromBus(m_name); }

    bool start()
    {
        return m_bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), this,
                                    QDBusConnection::ExportScriptableSlots) &&
               m_bus.registerService(QStringLiteral("org.freedesktop.FileManager1"));
    }

    QStringList shown;

public Q_SLOTS:
    Q_SCRIPTABLE void ShowItems(const QStringList &uris, const QString &, const QDBusMessage &call)
    {
        shown += uris;
        if (m_answer == Answer::Done)
            return;
        call.setDelayedReply(true);
        if (m_answer == Answer::Error)
            m_bus.send(call.createErrorReply(QDBusError::Failed, QStringLiteral("Cannot show the items")));
    }

private:
    const QString m_name = QStringLiteral("fake file manager");
    Answer m_answer;
    QDBusConnection m_bus;
};

class TestDesktop final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folderDialogOpensAtTheLastFolder()
    {
        QTemporaryDir dir;
        const QString last = QDir(dir.path()).absoluteFilePath(QStringLiteral("first export"));
        QVERIFY(QDir().mkpath(last));
        QString openedAt;
        whenModalOpens([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            openedAt = dialog->directory().absolutePath();
            QMetaObject::invokeMethod(dialog, "accept"); // what "Select" does
        });
        Desktop desktop;
        const QString chosen =
            desktop.chooseFolder(nullptr, QStringLiteral("Select folder:"), QStringLiteral("Select"), last);
        QCOMPARE(openedAt, last);
        QCOMPARE(chosen, last);
    }

    // The plain folder is opened instead only when no file manager is there or one says no; never
    // when it is merely slow to answer, or two windows would open.
    void fileManagerFallsBackOnlyOnAnAnswer_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("folderOpened");
        QTest::newRow("shows the file") << true << int(FakeFileManager::Answer::Done) << false;
        QTest::newRow("answers with an error") << true << int(FakeFileManager::Answer::Error) << true;
        QTest::newRow("never answers") << true << int(FakeFileManager::Answer::Never) << false;
        QTest::newRow("none on the bus") << false << 0 << true;
    }
    void fileManagerFallsBackOnlyOnAnAnswer()
    {
        if (qEnvironmentVariable("THERMIRA_TEST_SESSION_BUS") != QLatin1String("private"))
            QSKIP("needs the session bus of its own that CTest starts (dbus-run-session)");
        QFETCH(bool, present);
        QFETCH(int, answer);
        QFETCH(bool, folderOpened);
        FakeFileManager fileManager{FakeFileManager::Answer(answer)};
        if (present)
            QVERIFY(fileManager.start());

        FolderRecorder desktop;
        desktop.showInFileManager(QStringLiteral("/tmp/export/index.html"));
        if (folderOpened) {
            QTRY_COMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/export"))});
        } else {
            // Past the call's own timeout (5 s).
            QTest::qWait(answer == int(FakeFileManager::Answer::Never) ? 6000 : 300);
            QVERIFY(desktop.opened.isEmpty());
        }
        QCOMPARE(fileManager.shown,
                 present ? QStringList{QStringLiteral("file:///tmp/export/index.html")} : QStringList());
    }

    // However long or tall the text, the box fits the screen and its OK button can be pressed.
    void messageBoxKeepsItsButtonOnScreen_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a thousand short lines") << QStringLiteral("line\n").repeated(1000);
        QTest::newRow("one endless word") << QString(2000, u'x');
        QTest::newRow("long prose") << QStringLiteral("Please read this notice carefully. ").repeated(300);
    }
    void messageBoxKeepsItsButtonOnScreen()
    {
        QFETCH(QString, text);
        QRect box;
        QRect button;
        QString shown;
        whenModalOpens([&](QWidget *modal) {
            auto *messageBox = qobject_cast<QMessageBox *>(modal);
            QVERIFY(messageBox);
            box = messageBox->frameGeometry();
            QAbstractButton *ok = messageBox->button(QMessageBox::Ok);
            button = QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
            shown = messageBox->text();
            ok->click();
        });
        Desktop().message(nullptr, text, QStringLiteral("IMPORTANT"), QMessageBox::Warning);

        const QRect screen = QApplication::primaryScreen()->availableGeometry();
        QVERIFY2(box.height() <= screen.height(), qPrintable(QString::number(box.height())));
        QVERIFY2(screen.contains(button),
                 qPrintable(QStringLiteral("OK at %1,%2").arg(button.x()).arg(button.y())));
        // What does not fit is cut, and the cut is marked.
        QVERIFY(shown == text || (shown.endsWith(u'\u2026') && text.startsWith(shown.chopped(1))));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
