#include "feedback/tfeedbackform.h"
#include "identity/identity.h"
#include "recordingdesktop.h"
#include "service/makersite.h"
#include "testhttpserver.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

Q_DECLARE_METATYPE(TestHttpAnswer)

namespace {

const QByteArray FeedbackPath = "/php/feedback.php";
const QString FailureText =
    QStringLiteral("Something went wrong. Your feedback could not be delivered.\r\rPlease try again later.");

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QByteArray bodyWith(const QByteArray &feedbackAndEmail)
{
    return "cmd=feedback&appname=PALVEX+-+Thermira&version=2.0&feedback=" + feedbackAndEmail;
}

class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestFeedbackForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void textsAndKeys();
    void layout_data();
    void layout();
    void requestBody_data();
    void requestBody();
    void refusedAddresses_data();
    void refusedAddresses();
    void answers_data();
    void answers();
    void nothingToSendBeeps_data();
    void nothingToSendBeeps();
    void escapeCloses_data();
    void escapeCloses();
    void moods_data();
    void moods();
    void lastMoodIsSent();
    void enterKeys();
    void lengthLimits();
    void noInputWhileSending();

private:
    TFeedbackForm *openForm();

    std::unique_ptr<TestHttpServer> m_server;
    QPointer<TFeedbackForm> m_form;
};

void TestFeedbackForm::initTestCase()
{
    TestHttpServer::trustTestAuthority();
}

void TestFeedbackForm::init()
{
    AppProductName = QStringLiteral("Thermira");
    AppCaption = QStringLiteral("PALVEX - Thermira");
    AppVersion = QStringLiteral("2.0");
    m_server = std::make_unique<TestHttpServer>();
    setMakerHostForTesting(m_server->hostAndPort());
}

void TestFeedbackForm::cleanup()
{
    delete m_form;
    m_server.reset();
}

TFeedbackForm *TestFeedbackForm::openForm()
{
    m_form = new TFeedbackForm;
    m_form->show();
    m_form->activateWindow();
    if (!QTest::qWaitForWindowExposed(m_form))
        qWarning("feedback window not exposed");
    return m_form;
}

void TestFeedbackForm::textsAndKeys()
{
    TFeedbackForm *form = openForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("Thermira feedback"));
    QCOMPARE(form->Panel4->text(), QStringLiteral("I like it!"));
    QCOMPARE(form->Panel5->text(), QStringLiteral("I dislike it!"));
    QCOMPARE(form->Label1->text(), QStringLiteral("We would really appreciate your feedback."));
    QCOMPARE(form->Label2->text(), QStringLiteral("What did you like or dislike?"));
    QCOMPARE(form->Label3->text(), QStringLiteral("Include my e-mail:"));
    QCOMPARE(form->BitBtn1->text(), QStringLiteral("Send"));
    QVERIFY(form->BitBtn1->isDefault());
    QVERIFY(!form->BitBtn1->icon().isNull());
    QVERIFY(!form->Image1->pixmap().isNull());
    QVERIFY(!form->Image2->pixmap().isNull());
    QCOMPARE(form->mood(), Mood::None);
    QVERIFY(form->Memo1->toPlainText().isEmpty());
    QVERIFY(form->Edit1->text().isEmpty());

    // Focus starts in the message and Tab walks message, e-mail, Send and round again.
    QTRY_COMPARE(QApplication::focusWidget(), form->Memo1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form->Edit1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form->BitBtn1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form->Memo1);
    QVERIFY(form->Memo1->toPlainText().isEmpty());
}

void TestFeedbackForm::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Panel3") << "Panel3" << QRect(0, 0, 525, 46);
    QTest::newRow("Panel4") << "Panel4" << QRect(3, 3, 257, 40);
    QTest::newRow("Image1") << "Image1" << QRect(4, 4, 32, 32);
    QTest::newRow("Panel5") << "Panel5" << QRect(266, 3, 256, 40);
    QTest::newRow("Image2") << "Image2" << QRect(4, 4, 32, 32);
    QTest::newRow("Label1") << "Label1" << QRect(3, 49, 519, 19);
    QTest::newRow("Label2") << "Label2" << QRect(3, 74, 519, 16);
    QTest::newRow("Memo1") << "Memo1" << QRect(3, 96, 519, 157);
    QTest::newRow("Panel1") << "Panel1" << QRect(0, 256, 525, 30);
    QTest::newRow("Label3") << "Label3" << QRect(3, 3, 107, 24);
    QTest::newRow("Edit1") << "Edit1" << QRect(116, 3, 406, 24);
    QTest::newRow("Panel2") << "Panel2" << QRect(0, 286, 525, 40);
    QTest::newRow("BitBtn1") << "BitBtn1" << QRect(342, 3, 180, 34);
}

void TestFeedbackForm::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, geometry);
    TFeedbackForm *form = openForm();
    const QHash<QString, QWidget *> controls{
        {"Panel3", form->Panel3},  {"Panel4", form->Panel4}, {"Image1", form->Image1},
        {"Panel5", form->Panel5},  {"Image2", form->Image2}, {"Label1", form->Label1},
        {"Label2", form->Label2},  {"Memo1", form->Memo1},   {"Panel1", form->Panel1},
        {"Label3", form->Label3},  {"Edit1", form->Edit1},   {"Panel2", form->Panel2},
        {"BitBtn1", form->BitBtn1}};
    QCOMPARE(controls.value(control)->geometry(), geometry);
    QCOMPARE(form->size(), QSize(525, 326));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

void TestFeedbackForm::requestBody_data()
{
    QTest::addColumn<int>("mood");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("mood and message") << int(Mood::Like) << "Great tool"
                                      << "" << bodyWith("I+like+it%21%0DGreat+tool");
    QTest::newRow("trimmed, inner line breaks") << int(Mood::None) << "  \n first line\nsecond line \n\n"
                                                << "" << bodyWith("first+line%0D%0Asecond+line");
    QTest::newRow("mood alone, blank e-mail") << int(Mood::Dislike) << ""
                                              << "   " << bodyWith("I+dislike+it%21%0D");
    QTest::newRow("with e-mail, trimmed")
        << int(Mood::None) << "Hi"
        << "  me+x@example.com " << bodyWith("Hi&email=me%2Bx%40example.com");
}

void TestFeedbackForm::requestBody()
{
    QFETCH(int, mood);
    QFETCH(QString, message);
    QFETCH(QString, email);
    QFETCH(QByteArray, body);
    RecordingDesktop recorder;
    m_server->setAnswer(TestHttpAnswer::text("OK\r\n"), FeedbackPath);
    TFeedbackForm *form = openForm();
    if (Mood(mood) == Mood::Like)
        QTest::mouseClick(form->Panel4, Qt::LeftButton);
    else if (Mood(mood) == Mood::Dislike)
        QTest::mouseClick(form->Panel5, Qt::LeftButton);
    form->Memo1->setPlainText(message);
    form->Edit1->setText(email);
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);

    const QList<TestHttpRequest> requests = m_server->requests();
    QCOMPARE(requests.size(), 1);
    QVERIFY(requests[0].tls);
    QCOMPARE(requests[0].method, QByteArray("POST"));
    QCOMPARE(requests[0].path(), FeedbackPath);
    QCOMPARE(requests[0].body, body);
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].caption, QStringLiteral("Success"));
    QCOMPARE(recorder.messages[0].text, QStringLiteral("Your feedback is received.\r\rThank you!"));
    QCOMPARE(recorder.messages[0].icon, QMessageBox::Information);
    flushDeletes();
    QVERIFY2(m_form.isNull(), "the window closes and frees itself after a successful send");
}

void TestFeedbackForm::refusedAddresses_data()
{
    QTest::addColumn<QString>("email");
    QTest::newRow("no dot after @") << "user@localhost";
    QTest::newRow("blank inside") << "us er@example.com";
    QTest::newRow("letter outside A-Z") << QString::fromUtf16(u"j\u00fcrgen@example.com");
    QTest::newRow("ends in a dot") << "user@example.com.";
    QTest::newRow("ends in a hyphen") << "user@example.co-";
}

void TestFeedbackForm::refusedAddresses()
{
    QFETCH(QString, email);
    RecordingDesktop recorder;
    m_server->setAnswer(TestHttpAnswer::text("OK"), FeedbackPath);
    TFeedbackForm *form = openForm();
    QTest::mouseClick(form->Panel4, Qt::LeftButton);
    form->Memo1->setPlainText(QStringLiteral("Nice"));
    form->Edit1->setText(email);
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);

    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral("Invalid e-mail address!"));
    QCOMPARE(recorder.messages[0].caption, QStringLiteral("Failure"));
    QCOMPARE(recorder.messages[0].icon, QMessageBox::Critical);
    QCOMPARE(recorder.beeps, 0);
    QCOMPARE(m_server->requestCount(), 0);
    flushDeletes();
    QVERIFY(!m_form.isNull());
    QVERIFY(form->isVisible());
    QCOMPARE(form->Memo1->toPlainText(), QStringLiteral("Nice"));
    QCOMPARE(form->Edit1->text(), email);
    QCOMPARE(form->mood(), Mood::Like);
}

void TestFeedbackForm::answers_data()
{
    QTest::addColumn<int>("certificate");
    QTest::addColumn<TestHttpAnswer>("overTls");
    QTest::addColumn<TestHttpAnswer>("overPlain");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QList<bool>>("transports"); // true: TLS
    const int trusted = int(TestHttpServer::Certificate::Trusted);
    const int untrusted = int(TestHttpServer::Certificate::Untrusted);
    const TestHttpAnswer ok = TestHttpAnswer::text("OK");
    QTest::newRow("OK and a line break over https")
        << trusted << TestHttpAnswer::text("OK\r\n") << ok << true << QList<bool>{true};
    QTest::newRow("error page over https, no http try")
        << trusted
        << TestHttpAnswer::withStatus(500, "Internal Server Error", "<html>Server error</html>", "text/html")
        << ok << false << QList<bool>{true};
    QTest::newRow("other answer over https")
        << trusted << TestHttpAnswer::text("Thanks") << ok << false << QList<bool>{true};
    // A half-sent answer is an error: even a half "OK" is no success.
    QTest::newRow("https answer cut short, OK over http")
        << trusted << TestHttpAnswer::truncated("OK") << ok << true << QList<bool>{true, false};
    QTest::newRow("https answer cut short, http error status")
        << trusted << TestHttpAnswer::truncated("OK")
        << TestHttpAnswer::withStatus(503, "Service Unavailable", "OK") << false << QList<bool>{true, false};
    QTest::newRow("both cut short") << trusted << TestHttpAnswer::truncated("OK")
                                    << TestHttpAnswer::truncated("OK") << false << QList<bool>{true, false};
    // The refused certificate ends the https call before any request: only http arrives.
    QTest::newRow("certificate refused, OK over http")
        << untrusted << ok << TestHttpAnswer::text(" OK \n") << true << QList<bool>{false};
}

void TestFeedbackForm::answers()
{
    QFETCH(int, certificate);
    QFETCH(TestHttpAnswer, overTls);
    QFETCH(TestHttpAnswer, overPlain);
    QFETCH(bool, success);
    QFETCH(QList<bool>, transports);
    m_server = std::make_unique<TestHttpServer>(TestHttpServer::Mode::Both,
                                                TestHttpServer::Certificate(certificate));
    setMakerHostForTesting(m_server->hostAndPort());
    m_server->setAnswer(overTls, FeedbackPath, TestHttpServer::Over::Tls);
    m_server->setAnswer(overPlain, FeedbackPath, TestHttpServer::Over::Plain);
    RecordingDesktop recorder;
    TFeedbackForm *form = openForm();
    form->Memo1->setPlainText(QStringLiteral("Works well"));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);

    QList<bool> seen;
    for (const TestHttpRequest &request : m_server->requests()) {
        seen.append(request.tls);
        QCOMPARE(request.body, bodyWith("Works+well"));
    }
    QCOMPARE(seen, transports);
    QCOMPARE(recorder.messages.size(), 1);
    if (success) {
        QCOMPARE(recorder.messages[0].caption, QStringLiteral("Success"));
        QCOMPARE(recorder.messages[0].icon, QMessageBox::Information);
    } else {
        QCOMPARE(recorder.messages[0].caption, QStringLiteral("Failure"));
        QCOMPARE(recorder.messages[0].text, FailureText);
        QCOMPARE(recorder.messages[0].icon, QMessageBox::Critical);
    }
    flushDeletes();
    QCOMPARE(m_form.isNull(), success);
    if (!success)
        QCOMPARE(form->Memo1->toPlainText(), QStringLiteral("Works well"));
}

void TestFeedbackForm::nothingToSendBeeps_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("email");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blank message, an address typed") << "  \n\t "
                                                     << "me@example.com";
    QTest::newRow("empty message, a bad address typed") << ""
                                                        << "not an address";
}

void TestFeedbackForm::nothingToSendBeeps()
{
    QFETCH(QString, message);
    QFETCH(QString, email);
    RecordingDesktop recorder;
    m_server->setAnswer(TestHttpAnswer::text("OK"), FeedbackPath);
    TFeedbackForm *form = openForm();
    form->Memo1->setPlainText(message);
    form->Edit1->setText(email);
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QCOMPARE(recorder.beeps, 1);
    QVERIFY(recorder.messages.isEmpty());
    QCOMPARE(m_server->requestCount(), 0);
    flushDeletes();
    QVERIFY(!m_form.isNull());
    QCOMPARE(form->Edit1->text(), email);
}

void TestFeedbackForm::escapeCloses_data()
{
    QTest::addColumn<QString>("control");
    QTest::newRow("message") << "Memo1";
    QTest::newRow("e-mail") << "Edit1";
    QTest::newRow("Send") << "BitBtn1";
}

void TestFeedbackForm::escapeCloses()
{
    QFETCH(QString, control);
    RecordingDesktop recorder;
    m_server->setAnswer(TestHttpAnswer::text("OK"), FeedbackPath);
    TFeedbackForm *form = openForm();
    form->Memo1->setPlainText(QStringLiteral("unsent"));
    form->Edit1->setText(QStringLiteral("me@example.com"));
    QWidget *target = control == "Memo1"   ? static_cast<QWidget *>(form->Memo1)
                      : control == "Edit1" ? static_cast<QWidget *>(form->Edit1)
                                           : static_cast<QWidget *>(form->BitBtn1);
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(m_form.isNull());
    QCOMPARE(m_server->requestCount(), 0);
    QVERIFY(recorder.messages.isEmpty());
    QCOMPARE(recorder.beeps, 0);
}

void TestFeedbackForm::moods_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("mood");
    QTest::newRow("like") << QStringList{"Panel4"} << int(Mood::Like);
    QTest::newRow("like on the face") << QStringList{"Image1"} << int(Mood::Like);
    QTest::newRow("like, then dislike") << QStringList{"Panel4", "Panel5"} << int(Mood::Dislike);
    QTest::newRow("dislike twice") << QStringList{"Image2", "Panel5"} << int(Mood::Dislike);
    QTest::newRow("dislike, like, like") << QStringList{"Panel5", "Image1", "Panel4"} << int(Mood::Like);
}

void TestFeedbackForm::moods()
{
    QFETCH(QStringList, clicks);
    QFETCH(int, mood);
    TFeedbackForm *form = openForm();
    const QColor face = form->palette().color(QPalette::Window);
    const QColor highlight = form->palette().color(QPalette::Highlight);
    QCOMPARE(form->Panel4->palette().color(QPalette::Window), face);
    QCOMPARE(form->Panel5->palette().color(QPalette::Window), face);
    for (const QString &name : clicks) {
        QWidget *target = name == "Panel4"   ? static_cast<QWidget *>(form->Panel4)
                          : name == "Panel5" ? static_cast<QWidget *>(form->Panel5)
                          : name == "Image1" ? static_cast<QWidget *>(form->Image1)
                                             : static_cast<QWidget *>(form->Image2);
        QTest::mouseClick(target, Qt::LeftButton);
    }
    QCOMPARE(form->mood(), Mood(mood));
    QLabel *chosen = Mood(mood) == Mood::Like ? form->Panel4 : form->Panel5;
    QLabel *other = chosen == form->Panel4 ? form->Panel5 : form->Panel4;
    QCOMPARE(chosen->palette().color(QPalette::Window), highlight);
    QCOMPARE(chosen->palette().color(QPalette::WindowText), form->palette().color(QPalette::HighlightedText));
    QCOMPARE(chosen->frameShadow(), QFrame::Sunken);
    QCOMPARE(other->palette().color(QPalette::Window), face);
    QCOMPARE(other->palette().color(QPalette::WindowText), form->palette().color(QPalette::WindowText));
    QCOMPARE(other->frameShadow(), QFrame::Raised);
    // The chosen panel really shows its colour.
    const QImage shot = chosen->grab().toImage();
    QCOMPARE(shot.pixelColor(shot.width() - 20, shot.height() / 2), highlight);
}

void TestFeedbackForm::lastMoodIsSent()
{
    RecordingDesktop recorder;
    m_server->setAnswer(TestHttpAnswer::text("OK"), FeedbackPath);
    TFeedbackForm *form = openForm();
    QTest::mouseClick(form->Panel4, Qt::LeftButton);
    QTest::mouseClick(form->Image2, Qt::LeftButton);
    form->Memo1->setPlainText(QStringLiteral("Too slow"));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QCOMPARE(m_server->requestCount(), 1);
    QCOMPARE(m_server->requests()[0].body, bodyWith("I+dislike+it%21%0DToo+slow"));
}

void TestFeedbackForm::enterKeys()
{
    RecordingDesktop recorder;
    m_server->setAnswer(TestHttpAnswer::text("OK"), FeedbackPath);
    TFeedbackForm *form = openForm();
    form->Memo1->setFocus();
    QTest::keyClicks(form->Memo1, QStringLiteral("one"));
    QTest::keyClick(form->Memo1, Qt::Key_Return);
    QTest::keyClicks(form->Memo1, QStringLiteral("two"));
    QCOMPARE(form->memoText(), QStringLiteral("one\r\ntwo"));
    QCOMPARE(m_server->requestCount(), 0);

    form->Edit1->setFocus();
    QTest::keyClicks(form->Edit1, QStringLiteral("me@example.com"));
    QTest::keyClick(form->Edit1, Qt::Key_Return);
    QCOMPARE(m_server->requestCount(), 1);
    QCOMPARE(m_server->requests()[0].body, bodyWith("one%0D%0Atwo&email=me%40example.com"));
}

void TestFeedbackForm::lengthLimits()
{
    TFeedbackForm *form = openForm();
    form->Memo1->setPlainText(QString(TFeedbackForm::MemoMaxLength + 25, u'x'));
    QCOMPARE(form->memoText().size(), TFeedbackForm::MemoMaxLength);

    // Typing at the limit adds nothing.
    form->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->Memo1, QStringLiteral("yz"));
    QCOMPARE(form->memoText(), QString(TFeedbackForm::MemoMaxLength, u'x'));

    // A paste larger than the room left keeps its beginning; line breaks count as two characters.
    form->Memo1->setPlainText(QString(TFeedbackForm::MemoMaxLength - 10, u'x'));
    form->Memo1->moveCursor(QTextCursor::End);
    form->Memo1->insertPlainText(QStringLiteral("ab\ncd\nef\ngh"));
    const QString text = form->memoText();
    QVERIFY(text.size() <= TFeedbackForm::MemoMaxLength);
    QVERIFY(text.size() >= TFeedbackForm::MemoMaxLength - 2);
    QVERIFY(text.endsWith(QStringLiteral("xab\r\ncd\r\n")) ||
            text.endsWith(QStringLiteral("xab\r\ncd\r\ne")));

    form->Edit1->setFocus();
    QTest::keyClicks(form->Edit1, QString(120, u'e'));
    QCOMPARE(form->Edit1->text().size(), TFeedbackForm::EditMaxLength);
}

void TestFeedbackForm::noInputWhileSending()
{
    RecordingDesktop recorder;
    TestHttpAnswer slow = TestHttpAnswer::text("Not now");
    slow.delayMs = 900;
    m_server->setAnswer(slow, FeedbackPath);
    TFeedbackForm *form = openForm();
    form->Memo1->setPlainText(QStringLiteral("hello"));
    form->Memo1->moveCursor(QTextCursor::End);
    PaintCounter counter;
    form->installEventFilter(&counter);

    bool sendingSeen = false;
    int paintsDuringCall = 0;
    QTimer::singleShot(200, this, [&] {
        sendingSeen = form->sending();
        counter.paints = 0;
        form->update();
        // A second Send, typing, Escape and the close box, all while the first request waits.
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
        QTest::keyClick(form->BitBtn1, Qt::Key_Return);
        QTest::keyClicks(form->Memo1, QStringLiteral("more"));
        QTest::mouseClick(form->Memo1->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseClick(form->Panel5, Qt::LeftButton);
        QTest::keyClick(form->Memo1, Qt::Key_Escape);
        form->close();
    });
    QTimer::singleShot(500, this, [&] { paintsDuringCall = counter.paints; });
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);

    QVERIFY(sendingSeen);
    QVERIFY2(paintsDuringCall > 0, "the window repaints while it waits");
    QVERIFY(!form->sending());
    QCOMPARE(m_server->requestCount(), 1);
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, FailureText);
    flushDeletes();
    QVERIFY(!m_form.isNull());
    QVERIFY(form->isVisible());
    QCOMPARE(form->Memo1->toPlainText(), QStringLiteral("hello"));
    QCOMPARE(form->Memo1->textCursor().position(), 5);
    QCOMPARE(form->mood(), Mood::None);

    // Afterwards the window takes input again.
    QTest::keyClick(form->Memo1, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(m_form.isNull());
}

QTEST_MAIN(TestFeedbackForm)
#include "tst_feedbackform.moc"
