#include "feedback/feedbacksubmission.h"
#include "platform/errors.h"
#include "service/makersite.h"

#include <QTest>

class TestFeedbackSubmission : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void trimBlanks_data();
    void trimBlanks();
    void feedbackText_data();
    void feedbackText();
    void isValidEmail_data();
    void isValidEmail();
    void fields_data();
    void fields();
    void receivedAnswer_data();
    void receivedAnswer();
    void delivery_data();
    void delivery();
};

void TestFeedbackSubmission::initTestCase()
{
    setMakerHostForTesting(QStringLiteral("127.0.0.1:7"));
}

void TestFeedbackSubmission::trimBlanks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("nothing to trim") << "a b"
                                     << "a b";
    QTest::newRow("blanks and line breaks") << " \r\n\ta b\r\n \t"
                                            << "a b";
    QTest::newRow("control characters") << QString::fromUtf16(u"\x01\x1f"
                                                              u"x"
                                                              u"\x00",
                                                              4)
                                        << "x";
    QTest::newRow("only blanks") << " \r\n "
                                 << "";
    QTest::newRow("no-break space is kept")
        << QString::fromUtf16(u"\u00a0x\u00a0") << QString::fromUtf16(u"\u00a0x\u00a0");
    QTest::newRow("inner line breaks stay") << "a\r\n\r\nb"
                                            << "a\r\n\r\nb";
}

void TestFeedbackSubmission::trimBlanks()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(TrimBlanks(text), trimmed);
}

void TestFeedbackSubmission::feedbackText_data()
{
    QTest::addColumn<int>("mood");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    const int none = int(Mood::None);
    const int like = int(Mood::Like);
    const int dislike = int(Mood::Dislike);
    QTest::newRow("nothing") << none << ""
                             << "";
    QTest::newRow("blank message alone") << none << "  \r\n\t "
                                         << "";
    QTest::newRow("mood alone") << like << ""
                                << "I like it!\r";
    QTest::newRow("mood and blank message") << dislike << " \r\n"
                                            << "I dislike it!\r";
    QTest::newRow("mood and message") << like << "Great tool"
                                      << "I like it!\rGreat tool";
    QTest::newRow("trimmed, inner lines kept") << dislike << "  \r\nslow\r\nstart  \r\n"
                                               << "I dislike it!\rslow\r\nstart";
    QTest::newRow("message alone") << none << " hello "
                                   << "hello";
}

void TestFeedbackSubmission::feedbackText()
{
    QFETCH(int, mood);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    QCOMPARE(FeedbackText(Mood(mood), message), expected);
}

void TestFeedbackSubmission::isValidEmail_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "user@example.com" << true;
    QTest::newRow("all the allowed characters") << "First.Last+tag_1-x@sub-domain.example.co" << true;
    QTest::newRow("capitals") << "A@B.C" << true;
    QTest::newRow("digit at the end") << "x@y.z9" << true;
    QTest::newRow("several dots") << "u@mail.example.org" << true;
    QTest::newRow("two dots in a row after the first") << "u@d..b" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("no dot after @") << "user@localhost" << false;
    QTest::newRow("dot only before @") << "first.last@localhost" << false;
    QTest::newRow("blank inside") << "us er@example.com" << false;
    QTest::newRow("blank at the end") << "user@example.com " << false;
    QTest::newRow("letter outside A-Z before @") << QString::fromUtf16(u"j\u00fcrgen@example.com") << false;
    QTest::newRow("letter outside A-Z in the domain")
        << QString::fromUtf16(u"user@ex\u00e4mple.com") << false;
    QTest::newRow("non-ASCII digit") << QString::fromUtf16(u"user@example.c\u0663") << false;
    QTest::newRow("ends in a dot") << "user@example.com." << false;
    QTest::newRow("ends in a hyphen") << "user@example.co-" << false;
    QTest::newRow("nothing before @") << "@example.com" << false;
    QTest::newRow("two @") << "user@@example.com" << false;
    QTest::newRow("dot right after @") << "user@.com" << false;
    QTest::newRow("final line feed") << "user@example.com\n" << false;
    QTest::newRow("a second address after a line break") << "a@b.c\nd@e.f" << false;
}

void TestFeedbackSubmission::isValidEmail()
{
    QFETCH(QString, address);
    QFETCH(bool, valid);
    QCOMPARE(IsValidEmail(address), valid);
}

void TestFeedbackSubmission::fields_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("without e-mail") << ""
                                    << QStringList{"cmd=feedback", "appname=PALVEX - Thermira", "version=2.0",
                                                   "feedback=I like it!\rGreat tool"};
    QTest::newRow("with e-mail") << "me@example.com"
                                 << QStringList{"cmd=feedback", "appname=PALVEX - Thermira", "version=2.0",
                                                "feedback=I like it!\rGreat tool", "email=me@example.com"};
}

void TestFeedbackSubmission::fields()
{
    QFETCH(QString, email);
    QFETCH(QStringList, expected);
    QCOMPARE(FeedbackFields(QStringLiteral("PALVEX - Thermira"), QStringLiteral("2.0"),
                            QStringLiteral("I like it!\rGreat tool"), email),
             expected);
}

void TestFeedbackSubmission::receivedAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("received");
    QTest::newRow("OK") << "OK" << true;
    QTest::newRow("OK and a line break") << "OK\r\n" << true;
    QTest::newRow("blanks and lone line feeds around") << "\n\n  OK \n" << true;
    QTest::newRow("tabs and carriage returns") << "\r\tOK\t\r" << true;
    QTest::newRow("lower case") << "ok" << false;
    QTest::newRow("with a full stop") << "OK." << false;
    QTest::newRow("split by a blank") << "O K" << false;
    QTest::newRow("split by a line break") << "O\r\nK" << false;
    QTest::newRow("two lines") << "OK\r\nOK" << false;
    QTest::newRow("an error page") << "<html><body>500 Internal Server Error</body></html>" << false;
    QTest::newRow("empty") << "" << false;
}

void TestFeedbackSubmission::receivedAnswer()
{
    QFETCH(QString, answer);
    QFETCH(bool, received);
    QCOMPARE(IsReceivedAnswer(answer), received);
}

void TestFeedbackSubmission::delivery_data()
{
    // An answer, or "!" for a call that raises an error.
    QTest::addColumn<QString>("httpsOutcome");
    QTest::addColumn<QString>("httpOutcome");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<bool>("delivered");
    const QString https = QStringLiteral("https://127.0.0.1:7/php/feedback.php");
    const QString http = QStringLiteral("http://127.0.0.1:7/php/feedback.php");
    QTest::newRow("OK over https") << "OK\r\n"
                                   << "unused" << QStringList{https} << true;
    QTest::newRow("error page over https, no http try") << "<h1>Error</h1>"
                                                        << "OK" << QStringList{https} << false;
    QTest::newRow("empty answer over https") << ""
                                             << "OK" << QStringList{https} << false;
    QTest::newRow("https fails, http OK") << "!"
                                          << "OK" << QStringList{https, http} << true;
    QTest::newRow("https fails, http answers otherwise") << "!"
                                                         << "Spam" << QStringList{https, http} << false;
    QTest::newRow("both fail") << "!"
                               << "!" << QStringList{https, http} << false;
}

void TestFeedbackSubmission::delivery()
{
    QFETCH(QString, httpsOutcome);
    QFETCH(QString, httpOutcome);
    QFETCH(QStringList, addresses);
    QFETCH(bool, delivered);
    const FormFields sent{QStringLiteral("cmd=feedback"), QStringLiteral("feedback=x")};
    QStringList called;
    QList<int> timeouts;
    QList<FormFields> posted;
    auto post = [&](const QString &address, const FormFields &fields, int timeoutMs) {
        called.append(address);
        timeouts.append(timeoutMs);
        posted.append(fields);
        const QString &outcome = address.startsWith(QStringLiteral("https://")) ? httpsOutcome : httpOutcome;
        if (outcome == QStringLiteral("!"))
            throw NetworkError(QStringLiteral("Connection refused"));
        return outcome;
    };
    QCOMPARE(DeliverFeedback(sent, post), delivered);
    QCOMPARE(called, addresses);
    QCOMPARE(timeouts, QList<int>(addresses.size(), 3000));
    QCOMPARE(posted, QList<FormFields>(addresses.size(), sent));
}

QTEST_GUILESS_MAIN(TestFeedbackSubmission)
#include "tst_feedbacksubmission.moc"
