// The real desktop's dialogs and boxes, opened on the offscreen screen and answered from a timer
// while they run their own event loop.
#include "desktop/desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
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

} // namespace

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
