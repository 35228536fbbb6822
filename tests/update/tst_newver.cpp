// The new-version notice: placement, texts, link colour and address, timers and dragging.
#include "recordingdesktop.h"

#include "desktop/windowdrag.h"
#include "identity/identity.h"
#include "service/makersite.h"
#include "update/checkresults.h"
#include "update/tnewver.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

const QColor HighlightColour(0x33, 0x66, 0xcc);
const QColor TextColour(0x10, 0x20, 0x30);

QColor linkColour(const TNewVer &notice)
{
    return notice.Label2->palette().color(QPalette::WindowText);
}

// What Qt puts on the device for a logical coordinate measured from the screen's origin.
int device(int logical, qreal ratio)
{
    return qRound(logical * ratio);
}

void sendMouse(QWidget *control, QEvent::Type type, Qt::MouseButton button, QPoint global)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, control->mapFromGlobal(global), global,
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(control, &event);
}

} // namespace

class TestNewVer final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_main;
    TNewVer *m_notice = nullptr;

    // A shown main window and a fresh notice owned by it; the notice's own timers are left
    // running unless a test stops them.
    TNewVer *createNotice()
    {
        m_main = std::make_unique<QWidget>();
        m_main->resize(300, 200);
        m_main->show();
        m_main->activateWindow();
        if (!QTest::qWaitForWindowActive(m_main.get()))
            qWarning("the main window did not become active");
        m_notice = new TNewVer(m_main.get());
        NewVer = m_notice;
        return m_notice;
    }

    void showNow(TNewVer *notice)
    {
        notice->TimerStartTimer();
        QTRY_VERIFY(notice->runningAnimation() == nullptr);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/thermira.svg")));
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Highlight, HighlightColour);
        palette.setColor(QPalette::WindowText, TextColour);
        QApplication::setPalette(palette);
        AppProductName = QStringLiteral("Thermira");
    }

    void init()
    {
        resetCheckResultsForTesting();
        LatestVersion = QStringLiteral("2.4");
        CloseCountdown = 11;
        setMakerHostForTesting(QStringLiteral("127.0.0.1:8123"));
    }

    void cleanup()
    {
        m_main.reset();
        QVERIFY(NewVer == nullptr); // the notice goes with the window that owns it
        m_notice = nullptr;
        setMakerHostForTesting(QString());
    }

    void positionKeepsUnscaledMargins_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("rightGap"); // device pixels
        QTest::addColumn<int>("topGap");
        QTest::newRow("100 %, 1280 wide") << QRect(0, 0, 1280, 800) << 1.0 << 320 << 5 << 5;
        QTest::newRow("100 %, primary right of another screen")
            << QRect(1920, 0, 1024, 768) << 1.0 << 320 << 5 << 5;
        QTest::newRow("100 %, primary above another screen")
            << QRect(0, -1080, 1920, 1080) << 1.0 << 320 << 5 << 5;
        QTest::newRow("125 %") << QRect(0, 0, 1536, 864) << 1.25 << 320 << 5 << 5;
        QTest::newRow("150 %, 1280 wide") << QRect(0, 0, 853, 533) << 1.5 << 320 << 5 << 5;
        QTest::newRow("175 %") << QRect(0, 0, 1097, 617) << 1.75 << 320 << 5 << 5;
        // Device positions here are multiples of 1.5 or 2 rounded: the margin gets one pixel more.
        QTest::newRow("150 %, 1920 wide") << QRect(0, 0, 1280, 720) << 1.5 << 320 << 6 << 5;
        QTest::newRow("200 %") << QRect(0, 0, 1920, 1080) << 2.0 << 320 << 6 << 6;
        QTest::newRow("window wider than the screen") << QRect(0, 0, 300, 200) << 1.0 << 320 << 5 << 5;
    }

    void positionKeepsUnscaledMargins()
    {
        QFETCH(QRect, screen);
        QFETCH(qreal, ratio);
        QFETCH(int, width);
        QFETCH(int, rightGap);
        QFETCH(int, topGap);
        const QPoint at = noticePosition(screen, ratio, width);
        const QPoint fromOrigin = at - screen.topLeft();
        const int screenRight = device(screen.width(), ratio);
        const int windowRight = device(fromOrigin.x(), ratio) + device(width, ratio);
        QCOMPARE(screenRight - windowRight, rightGap);
        QCOMPARE(device(fromOrigin.y(), ratio), topGap);
    }

    void positionAtFullScale()
    {
        QCOMPARE(noticePosition(QRect(0, 0, 1280, 800), 1.0, 320), QPoint(955, 5));
        QCOMPARE(noticePosition(QRect(1920, 0, 1024, 768), 1.0, 320), QPoint(2619, 5));
        QCOMPARE(noticePosition(QRect(0, 0, 853, 533), 1.5, 320), QPoint(530, 3));
    }

    // Also run as a separate test with QT_SCALE_FACTOR=1.5.
    void placementOnPrimaryScreen()
    {
        TNewVer *notice = createNotice();
        const QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const qreal ratio = screen->devicePixelRatio();
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QCOMPARE(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
        QCOMPARE(notice->size(), QSize(320, 68));
        const QRect geometry = notice->geometry();
        const QRect screenArea = screen->geometry();
        QCOMPARE(device(geometry.width(), ratio), qRound(320 * ratio));
        QCOMPARE(device(screenArea.width(), ratio) - device(geometry.x() - screenArea.x(), ratio) -
                     device(geometry.width(), ratio),
                 5);
        QCOMPARE(device(geometry.y() - screenArea.y(), ratio), 5);

        showNow(notice);
        QCOMPARE(notice->geometry(), geometry);
        QVERIFY(notice->isVisible());
    }

    void windowKind()
    {
        TNewVer *notice = createNotice();
        const Qt::WindowFlags flags = notice->windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        // A tool window gets no task-bar entry.
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(notice->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(!notice->isVisible()); // the creator does not show it
    }

    void texts_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("link");
        QTest::newRow("usual") << QStringLiteral("Thermira") << QStringLiteral("2.4")
                               << QStringLiteral("Click to download Thermira 2.4");
        QTest::newRow("long version") << QStringLiteral("Thermira") << QStringLiteral("10.12")
                                      << QStringLiteral("Click to download Thermira 10.12");
        QTest::newRow("product with blank") << QStringLiteral("Thermira Pro") << QStringLiteral("3")
                                            << QStringLiteral("Click to download Thermira Pro 3");
        QTest::newRow("markup shown as typed") << QStringLiteral("<b>T</b>") << QStringLiteral("2.4")
                                               << QStringLiteral("Click to download <b>T</b> 2.4");
    }

    void texts()
    {
        QFETCH(QString, product);
        QFETCH(QString, version);
        QFETCH(QString, link);
        AppProductName = product;
        LatestVersion = version;
        TNewVer *notice = createNotice();
        AppProductName = QStringLiteral("Thermira");
        QCOMPARE(notice->Label1->text(), QStringLiteral("UPDATE AVAILABLE"));
        QVERIFY(notice->Label1->font().bold());
        QCOMPARE(notice->Label2->text(), link);
        QCOMPARE(notice->Label2->textFormat(), Qt::PlainText);
        QVERIFY(notice->Label2->font().underline());
        QVERIFY(notice->Label2->wordWrap());
        QCOMPARE(notice->Label2->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(notice->Button1->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!notice->Image1->pixmap().isNull());
        QVERIFY(!notice->Button1->icon().isNull());
    }

    void layoutAtDesignSize()
    {
        TNewVer *notice = createNotice();
        QCOMPARE(notice->Panel1->geometry(), QRect(0, 0, 320, 68));
        QCOMPARE(notice->Image1->geometry(), QRect(4, 4, 60, 60));
        QCOMPARE(notice->Panel2->geometry(), QRect(67, 1, 230, 66));
        QCOMPARE(notice->Label1->geometry(), QRect(3, 3, 224, 16));
        QCOMPARE(notice->Label2->geometry(), QRect(0, 22, 230, 44));
        QCOMPARE(notice->Panel3->geometry(), QRect(297, 1, 22, 66));
        QCOMPARE(notice->Button1->geometry(), QRect(0, 0, 22, 22));
    }

    void linkColourFollowsPointer_data()
    {
        QTest::addColumn<QPoint>("offset"); // from the link's top-left corner
        QTest::addColumn<bool>("over");
        QTest::newRow("top-left corner") << QPoint(0, 0) << true;
        QTest::newRow("middle") << QPoint(115, 22) << true;
        QTest::newRow("last pixel inside") << QPoint(229, 43) << true;
        QTest::newRow("right edge") << QPoint(230, 10) << false;
        QTest::newRow("bottom edge") << QPoint(10, 44) << false;
        QTest::newRow("above") << QPoint(10, -1) << false;
        QTest::newRow("left") << QPoint(-1, 10) << false;
        QTest::newRow("far away") << QPoint(-600, 400) << false;
    }

    void linkColourFollowsPointer()
    {
        QFETCH(QPoint, offset);
        QFETCH(bool, over);
        TNewVer *notice = createNotice();
        notice->TimerLink->stop();
        const QPoint linkOrigin = notice->Label2->mapToGlobal(QPoint(0, 0));
        // Start from the opposite state so that a missing change shows.
        notice->pointerPosition = [&] {
            return over ? linkOrigin - QPoint(50, 50) : linkOrigin + QPoint(5, 5);
        };
        notice->TimerLinkTimer();
        QCOMPARE(linkColour(*notice), over ? TextColour : HighlightColour);
        notice->pointerPosition = [&] { return linkOrigin + offset; };
        notice->TimerLinkTimer();
        QCOMPARE(linkColour(*notice), over ? HighlightColour : TextColour);
        // Painted the same whether or not the notice is the active window.
        QCOMPARE(notice->Label2->palette().color(QPalette::Inactive, QPalette::WindowText),
                 over ? HighlightColour : TextColour);
    }

    // The real pointer and the real timer: the colour changes within 100 ms.
    void linkColourPolledWithin100ms()
    {
        TNewVer *notice = createNotice();
        QTRY_VERIFY(notice->isVisible());
        QTRY_VERIFY(notice->runningAnimation() == nullptr);
        QCOMPARE(notice->TimerLink->interval(), 100);
        QVERIFY(notice->TimerLink->isActive());
        QVERIFY(!notice->isActiveWindow());

        const QPoint inside = notice->Label2->mapToGlobal(notice->Label2->rect().center());
        const QPoint outside = notice->mapToGlobal(QPoint(-40, -40));
        QCursor::setPos(outside);
        QTRY_COMPARE_WITH_TIMEOUT(linkColour(*notice), TextColour, 1000);
        QCursor::setPos(inside);
        QTRY_COMPARE_WITH_TIMEOUT(linkColour(*notice), HighlightColour, 500);
        QCursor::setPos(outside);
        QTRY_COMPARE_WITH_TIMEOUT(linkColour(*notice), TextColour, 500);
    }

    void linkAddress_data()
    {
        QTest::addColumn<QString>("downloadUrl");
        QTest::addColumn<QString>("opened");
        const QString home = QStringLiteral("http://127.0.0.1:8123");
        QTest::newRow("https") << QStringLiteral("https://example.invalid/download")
                               << QStringLiteral("https://example.invalid/download");
        QTest::newRow("http with query") << QStringLiteral("http://example.invalid/get?v=2.4&os=linux")
                                         << QStringLiteral("http://example.invalid/get?v=2.4&os=linux");
        QTest::newRow("capital scheme")
            << QStringLiteral("HTTPS://example.invalid/d") << QStringLiteral("https://example.invalid/d");
        QTest::newRow("empty") << QString() << home;
        QTest::newRow("local file") << QStringLiteral("file:///usr/bin/xterm") << home;
        QTest::newRow("bare path") << QStringLiteral("/usr/bin/xterm") << home;
        QTest::newRow("windows program") << QStringLiteral("C:\\Windows\\System32\\calc.exe") << home;
        QTest::newRow("script") << QStringLiteral("javascript:alert(1)") << home;
        QTest::newRow("ftp") << QStringLiteral("ftp://example.invalid/setup.exe") << home;
        QTest::newRow("no host") << QStringLiteral("http://") << home;
        QTest::newRow("no scheme") << QStringLiteral("example.invalid/download") << home;
        QTest::newRow("blank in front") << QStringLiteral(" https://example.invalid/d") << home;
    }

    void linkAddress()
    {
        QFETCH(QString, downloadUrl);
        QFETCH(QString, opened);
        RecordingDesktop desktop;
        DownloadURL = downloadUrl;
        TNewVer *notice = createNotice();
        showNow(notice);
        notice->Label2Click();
        QCOMPARE(desktop.openedUrls.size(), 1);
        QCOMPARE(desktop.openedUrls.first().toString(), opened);
        QVERIFY(!notice->isVisible());
    }

    void linkClickedWithMouse_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("opens");
        QTest::newRow("left") << Qt::LeftButton << true;
        QTest::newRow("right") << Qt::RightButton << false;
        QTest::newRow("middle") << Qt::MiddleButton << false;
    }

    void linkClickedWithMouse()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, opens);
        RecordingDesktop desktop;
        DownloadURL = QStringLiteral("https://example.invalid/download");
        TNewVer *notice = createNotice();
        showNow(notice);
        const QPoint before = notice->pos();
        QTest::mouseClick(notice->Label2, button, Qt::NoModifier, notice->Label2->rect().center());
        QCOMPARE(desktop.openedUrls.size(), opens ? 1 : 0);
        QCOMPARE(notice->isVisible(), !opens);
        QCOMPARE(notice->pos(), before);
    }

    void showsItselfOnTheFirstTick()
    {
        TNewVer *notice = createNotice();
        QCOMPARE(notice->TimerStart->interval(), 1);
        QVERIFY(notice->TimerStart->isActive());
        QVERIFY(!notice->isVisible());
        QTRY_VERIFY(notice->isVisible());
        QVERIFY(!notice->TimerStart->isActive());
    }

    void startExpandsFromTheCentreAndGivesFocusBack()
    {
        TNewVer *notice = createNotice();
        notice->TimerStart->stop();
        const QRect full = notice->geometry();
        notice->TimerStartTimer();
        QVERIFY(notice->isVisible());
        QPropertyAnimation *animation = notice->runningAnimation();
        QVERIFY(animation);
        QCOMPARE(animation->duration(), 100);
        QCOMPARE(animation->endValue().toRect(), full);
        QCOMPARE(animation->startValue().toRect().center(), full.center());
        QVERIFY(animation->startValue().toRect().width() <= 2);
        QVERIFY(notice->width() < full.width());
        QTRY_COMPARE(notice->geometry(), full);
        QTRY_VERIFY(notice->runningAnimation() == nullptr);
        QVERIFY(m_main->isActiveWindow());
        QVERIFY(!notice->isActiveWindow());
    }

    void closesOnEleventhTick()
    {
        TNewVer *notice = createNotice();
        QCOMPARE(notice->TimerClose->interval(), 1000);
        QVERIFY(notice->TimerClose->isActive());
        showNow(notice);
        notice->TimerClose->stop();
        const QRect full = notice->geometry();
        for (int tick = 1; tick <= 10; ++tick) {
            notice->TimerCloseTimer();
            QVERIFY(notice->isVisible());
            QVERIFY(notice->runningAnimation() == nullptr);
        }
        QCOMPARE(CloseCountdown, 1);
        notice->TimerCloseTimer();
        QCOMPARE(CloseCountdown, 0);
        QPropertyAnimation *animation = notice->runningAnimation();
        QVERIFY(animation);
        QCOMPARE(animation->duration(), 100);
        QCOMPARE(animation->startValue().toRect(), full);
        QCOMPARE(animation->endValue().toRect().center(), full.center());
        QVERIFY(animation->endValue().toRect().width() <= 2);
        QTRY_VERIFY(!notice->isVisible());
        QVERIFY(!notice->TimerClose->isActive());
        QCOMPARE(NewVer, notice); // hidden, not destroyed
    }

    void earlyCloseLeavesNothingToAnimate_data()
    {
        QTest::addColumn<bool>("byLink");
        QTest::newRow("close button") << false;
        QTest::newRow("link") << true;
    }

    void earlyCloseLeavesNothingToAnimate()
    {
        QFETCH(bool, byLink);
        RecordingDesktop desktop;
        TNewVer *notice = createNotice();
        showNow(notice);
        notice->TimerClose->stop();
        notice->TimerCloseTimer();
        notice->TimerCloseTimer();
        if (byLink)
            QTest::mouseClick(notice->Label2, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        else
            QTest::mouseClick(notice->Button1, Qt::LeftButton, Qt::NoModifier, QPoint(11, 11));
        QVERIFY(!notice->isVisible());
        QCOMPARE(desktop.openedUrls.size(), byLink ? 1 : 0);
        const QRect closedGeometry = notice->geometry();
        while (CloseCountdown > 0)
            notice->TimerCloseTimer();
        QVERIFY(notice->runningAnimation() == nullptr);
        QTest::qWait(150);
        QVERIFY(!notice->isVisible());
        QCOMPARE(notice->geometry(), closedGeometry);
        QCOMPARE(NewVer, notice);
    }

    void drag_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("form, left") << QStringLiteral("form") << Qt::LeftButton << true;
        QTest::newRow("panel, left") << QStringLiteral("Panel1") << Qt::LeftButton << true;
        QTest::newRow("icon, left") << QStringLiteral("Image1") << Qt::LeftButton << true;
        QTest::newRow("icon, middle") << QStringLiteral("Image1") << Qt::MiddleButton << true;
        QTest::newRow("title, middle") << QStringLiteral("Label1") << Qt::MiddleButton << true;
        QTest::newRow("button column, left") << QStringLiteral("Panel3") << Qt::LeftButton << true;
        QTest::newRow("icon, right") << QStringLiteral("Image1") << Qt::RightButton << false;
        QTest::newRow("title, right") << QStringLiteral("Label1") << Qt::RightButton << false;
        QTest::newRow("link, left") << QStringLiteral("Label2") << Qt::LeftButton << false;
        QTest::newRow("link, middle") << QStringLiteral("Label2") << Qt::MiddleButton << false;
        QTest::newRow("close button, left") << QStringLiteral("Button1") << Qt::LeftButton << false;
        QTest::newRow("close button, middle") << QStringLiteral("Button1") << Qt::MiddleButton << false;
        QTest::newRow("blank text area, left") << QStringLiteral("Panel2") << Qt::LeftButton << false;
    }

    void drag()
    {
        QFETCH(QString, control);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, moves);
        RecordingDesktop desktop;
        TNewVer *notice = createNotice();
        showNow(notice);
        notice->TimerClose->stop();
        QWidget *target = control == QLatin1String("form")     ? static_cast<QWidget *>(notice)
                          : control == QLatin1String("Panel1") ? notice->Panel1
                          : control == QLatin1String("Image1") ? notice->Image1
                          : control == QLatin1String("Label1") ? notice->Label1
                          : control == QLatin1String("Label2") ? notice->Label2
                          : control == QLatin1String("Panel2") ? notice->Panel2
                          : control == QLatin1String("Panel3") ? notice->Panel3
                                                               : notice->Button1;
        // A point of the control that no child covers.
        QPoint local = target->rect().center();
        if (target == notice->Panel1)
            local = QPoint(1, 1);
        else if (target == notice->Panel3)
            local = QPoint(11, 50);
        else if (target == notice->Panel2)
            local = QPoint(115, 20);
        // The form itself is covered by its panel; it gets presses only as they climb up.
        if (target != notice)
            QCOMPARE(target->childAt(local), nullptr);

        const QPoint start = notice->pos();
        const QPoint press = target->mapToGlobal(local);
        sendMouse(target, QEvent::MouseButtonPress, button, press);
        sendMouse(target, QEvent::MouseMove, button, press + QPoint(20, 15));
        sendMouse(target, QEvent::MouseMove, button, press + QPoint(-7, 31));
        sendMouse(target, QEvent::MouseButtonRelease, button, press + QPoint(-7, 31));
        QCOMPARE(notice->pos() - start, moves ? QPoint(-7, 31) : QPoint(0, 0));
        QCOMPARE(notice->size(), QSize(320, 68));
        QVERIFY(!notice->Drag->dragging());

        // After the release the window stays where it is.
        const QPoint dropped = notice->pos();
        sendMouse(target, QEvent::MouseMove, Qt::NoButton, press + QPoint(60, 60));
        QCOMPARE(notice->pos(), dropped);
        QVERIFY(desktop.openedUrls.isEmpty());
    }

    void dragIsNotKeptOnScreen()
    {
        TNewVer *notice = createNotice();
        showNow(notice);
        notice->TimerClose->stop();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QPoint start = notice->pos();
        const QPoint press = notice->Image1->mapToGlobal(QPoint(30, 30));
        const QPoint far = QPoint(screen.right() + 500, screen.top() - 300);
        sendMouse(notice->Image1, QEvent::MouseButtonPress, Qt::LeftButton, press);
        sendMouse(notice->Image1, QEvent::MouseMove, Qt::LeftButton, far);
        sendMouse(notice->Image1, QEvent::MouseButtonRelease, Qt::LeftButton, far);
        QCOMPARE(notice->pos(), start + (far - press));
        QVERIFY(notice->x() > screen.right());
        QVERIFY(notice->y() < screen.top());
    }
};

QTEST_MAIN(TestNewVer)
#include "tst_newver.moc"
