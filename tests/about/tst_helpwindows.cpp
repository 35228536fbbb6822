#include "about/taboutbox.h"
#include "app/tappform.h"
#include "feedback/tfeedbackform.h"
#include "recordingdesktop.h"
#include "service/makersite.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Runs `look` on the modal window the command opens, then closes that window; returns whether
// a modal window of the expected class came up over the main window.
template <typename Window>
bool withModal(QAction *command, const std::function<void(Window *)> &look, QPointer<Window> *seen)
{
    bool found = false;
    QTimer::singleShot(0, command, [&] {
        auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
        if (!window)
            return;
        found = true;
        *seen = window;
        look(window);
        window->close();
    });
    command->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return found;
}

} // namespace

class TestHelpWindows final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void aboutIsNewEveryTime();
    void feedbackIsNewEveryTime();

private:
    std::unique_ptr<TAppForm> m_form;
    QTemporaryDir m_dir;
};

void TestHelpWindows::initTestCase()
{
    setMakerHostForTesting(QStringLiteral("127.0.0.1:6"));
    RecordingDesktop quiet;
    const QString program = m_dir.filePath(QStringLiteral("thermira"));
    QVERIFY(QFile::copy(QStringLiteral(THERMIRA_EXECUTABLE), program));
    m_form = std::make_unique<TAppForm>(program);
    // No update check here: the timer, started when the window shows, starts nothing.
    m_form->TimerChecker->disconnect();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestHelpWindows::aboutIsNewEveryTime()
{
    RecordingDesktop recorder;
    QPointer<TAboutBox> first;
    QVERIFY(withModal<TAboutBox>(
        m_form->About1,
        [&](TAboutBox *box) {
            QCOMPARE(box->parentWidget(), m_form.get());
            QVERIFY(box->isModal());
            for (int i = 0; i < 5; ++i)
                box->tmTimerTimer();
            // The licence is looked for beside the program the main window runs from.
            box->LicensePrivacyPolicy1->trigger();
        },
        &first));
    QVERIFY2(first.isNull(), "the About window is freed when it closes");
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral("File not found!"));

    QFile license(m_dir.filePath(QStringLiteral("license.txt")));
    QVERIFY(license.open(QIODevice::WriteOnly));
    license.close();
    QPointer<TAboutBox> second;
    QVERIFY(withModal<TAboutBox>(
        m_form->About1,
        [&](TAboutBox *box) {
            QCOMPARE(box->rain().RainFrame(), 0);
            box->LicensePrivacyPolicy1->trigger();
        },
        &second));
    QVERIFY(second.isNull());
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.openedUrls,
             QList<QUrl>{QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("license.txt")))});
}

void TestHelpWindows::feedbackIsNewEveryTime()
{
    RecordingDesktop recorder;
    QPointer<TFeedbackForm> first;
    QVERIFY(withModal<TFeedbackForm>(
        m_form->SendFeedback1,
        [&](TFeedbackForm *form) {
            QCOMPARE(form->parentWidget(), m_form.get());
            QVERIFY(form->isModal());
            form->Image1Click();
            form->Memo1->setPlainText(QStringLiteral("typed, never sent"));
        },
        &first));
    QVERIFY2(first.isNull(), "the feedback window is freed when it closes");

    QPointer<TFeedbackForm> second;
    QVERIFY(withModal<TFeedbackForm>(
        m_form->SendFeedback1,
        [&](TFeedbackForm *form) {
            QCOMPARE(form->mood(), Mood::None);
            QVERIFY(form->Memo1->toPlainText().isEmpty());
        },
        &second));
    QVERIFY(second.isNull());
    QVERIFY(recorder.messages.isEmpty());
}

QTEST_MAIN(TestHelpWindows)
#include "tst_helpwindows.moc"
