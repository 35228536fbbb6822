#include "desktop/errorbox.h"
#include "recordingdesktop.h"

#include <QApplication>
#include <QTest>

class TestErrorBox final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullStop_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("system text lost its stop") << "Cannot open file \"/x/countries.dat\". No such file or directory"
                                                   << "Cannot open file \"/x/countries.dat\". No such file or directory.";
        QTest::newRow("already a stop") << "Stream write error." << "Stream write error.";
        QTest::newRow("ends in a quote") << "Bad \"x\"" << "Bad \"x\"";
        QTest::newRow("ends in a digit") << "Code 5" << "Code 5.";
        QTest::newRow("ends in a blank") << "Text " << "Text ";
        QTest::newRow("ends in a slash") << "Path /" << "Path /.";
        QTest::newRow("empty") << "" << "";
    }
    void fullStop()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(errorBoxText(message), shown);
    }

    void commandErrorsReachTheBoxAndStopThere()
    {
        RecordingDesktop desktop;
        bool after = false;
        runCommand(nullptr, [&] {
            throw FileError(QStringLiteral("Stream write error"));
            after = true;
        });
        QVERIFY(!after);
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].text, QStringLiteral("Stream write error."));
        QCOMPARE(desktop.messages[0].caption, QStringLiteral("Thermira"));
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Critical);

        runCommand(nullptr, [] { throw std::runtime_error("plain failure"); });
        QCOMPARE(desktop.messages.size(), 2);
        QCOMPARE(desktop.messages[1].text, QStringLiteral("plain failure."));

        runCommand(nullptr, [] {});
        QCOMPARE(desktop.messages.size(), 2);
    }
};

QTEST_MAIN(TestErrorBox)
#include "tst_errorbox.moc"
