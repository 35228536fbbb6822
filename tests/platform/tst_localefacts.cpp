#include "platform/localefacts.h"
#include "platform/instancelock.h"

#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

class TestLocaleFacts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listSeparator_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QChar>("separator");
        QTest::newRow("English (United States)") << "en_US" << QChar(u',');
        QTest::newRow("English (United Kingdom)") << "en_GB" << QChar(u',');
        QTest::newRow("German: decimal comma") << "de_DE" << QChar(u';');
        QTest::newRow("Turkish: decimal comma") << "tr_TR" << QChar(u';');
        QTest::newRow("French: decimal comma") << "fr_FR" << QChar(u';');
        QTest::newRow("C locale") << "C" << QChar(u',');
    }
    void listSeparator()
    {
        QFETCH(QString, locale);
        QFETCH(QChar, separator);
        QCOMPARE(listSeparatorFor(QLocale(locale)), separator);
    }

    void twoCopiesBothHoldTheSharedLock()
    {
        const QString name = QStringLiteral("Thermira_test_%1").arg(QCoreApplication::applicationPid());
        InstanceLock first(name);
        InstanceLock second(name);
        QVERIFY(first.isHeld());
        QVERIFY(second.isHeld());
        // An installer asking for the lock exclusively sees that a copy runs.
        const int fd = ::open(QFile::encodeName(InstanceLock::lockFilePath(name)).constData(), O_RDWR);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), -1);
        ::close(fd);
        QFile::remove(InstanceLock::lockFilePath(name));
    }
};

QTEST_GUILESS_MAIN(TestLocaleFacts)
#include "tst_localefacts.moc"
