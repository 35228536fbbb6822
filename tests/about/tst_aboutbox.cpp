#include "about/taboutbox.h"
#include "identity/identity.h"
#include "recordingdesktop.h"
#include "service/makersite.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Every call answers the top of the range: bright, slow drops seeded on the last row.
int topOfRange(int n)
{
    return n <= 0 ? 0 : n - 1;
}

int litPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                ++count;
    return count;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

class TestAboutBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void captionAndTexts_data();
    void captionAndTexts();
    void layout_data();
    void layout();
    void rainStartsWithTheWindow();
    void rainRunsEvery50ms();
    void rainShowsOnlyInTheBorder();
    void bannerFollowsTheScaling();
    void closing_data();
    void closing();
    void infoDropsTheMenuUnderTheButton();
    void webPages_data();
    void webPages();
    void licenseMissing();
    void licenseOpensInTheEditor();
    void secondOpeningStartsFresh();
    void dragging_data();
    void dragging();

private:
    QTemporaryDir m_folder;
};

void TestAboutBox::initTestCase()
{
    QVERIFY(m_folder.isValid());
    setMakerHostForTesting(QStringLiteral("127.0.0.1:8"));
}

void TestAboutBox::init()
{
    AppProductName = QStringLiteral("Thermira");
    AppVersion = QStringLiteral("2.0");
}

void TestAboutBox::captionAndTexts_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("nameAndVersion");
    QTest::newRow("the program") << "Thermira"
                                 << "2.0"
                                 << "About Thermira"
                                 << "Thermira 2.0";
    QTest::newRow("longer name") << "Thermira Pro"
                                 << "10.15"
                                 << "About Thermira Pro"
                                 << "Thermira Pro 10.15";
}

void TestAboutBox::captionAndTexts()
{
    QFETCH(QString, product);
    QFETCH(QString, version);
    QFETCH(QString, caption);
    QFETCH(QString, nameAndVersion);
    AppProductName = product;
    AppVersion = version;
    TAboutBox box(m_folder.path());
    QCOMPARE(box.windowTitle(), caption);
    QCOMPARE(box.Label2->text(), nameAndVersion);
    QCOMPARE(box.BitBtn1->text(), QStringLiteral("OK"));
    QCOMPARE(box.BitBtn2->text(), QStringLiteral("Info"));
    QVERIFY(!box.BitBtn2->icon().isNull());
    const QList<QAction *> items = box.PopupMenu1->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->text(), QStringLiteral("Acknowledgements..."));
    QCOMPARE(items[1]->text(), QStringLiteral("How to uninstall..."));
    QCOMPARE(items[2]->text(), QStringLiteral("License..."));
    QCOMPARE(box.Label5->text(), QStringLiteral("127.0.0.1:8"));
    QCOMPARE(box.Label5->toolTip(), QStringLiteral("http://127.0.0.1:8/"));
    QCOMPARE(box.Label5->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    QVERIFY(box.Label5->font().underline());
    QVERIFY(!box.Image1->pixmap().isNull());
}

void TestAboutBox::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Panel1") << "Panel1" << QRect(48, 42, 350, 291);
    QTest::newRow("Image2") << "Image2" << QRect(3, 4, 344, 105);
    QTest::newRow("Bevel1") << "Bevel1" << QRect(9, 122, 34, 34);
    QTest::newRow("Image1") << "Image1" << QRect(10, 123, 32, 32);
    QTest::newRow("Label2") << "Label2" << QRect(49, 122, 290, 40);
    QTest::newRow("BitBtn1") << "BitBtn1" << QRect(49, 224, 122, 33);
    QTest::newRow("BitBtn2") << "BitBtn2" << QRect(177, 224, 122, 33);
    QTest::newRow("Label5") << "Label5" << QRect(4, 274, 342, 13);
}

void TestAboutBox::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, geometry);
    TAboutBox box(m_folder.path());
    const QHash<QString, QWidget *> controls{
        {"Panel1", box.Panel1}, {"Image2", box.Image2},   {"Bevel1", box.Bevel1},   {"Image1", box.Image1},
        {"Label2", box.Label2}, {"BitBtn1", box.BitBtn1}, {"BitBtn2", box.BitBtn2}, {"Label5", box.Label5}};
    QCOMPARE(controls.value(control)->geometry(), geometry);
    QCOMPARE(box.size(), QSize(446, 374));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QVERIFY(box.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!box.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(box.testAttribute(Qt::WA_DeleteOnClose));
}

void TestAboutBox::rainStartsWithTheWindow()
{
    TAboutBox box(m_folder.path());
    const qreal ratio = box.devicePixelRatioF();
    const MatrixRain &rain = box.rain();
    // Cells are 8 x 12 device pixels whatever the scaling.
    QCOMPARE(rain.matrixWidth(), qRound(446 * ratio) / 8);
    QCOMPARE(rain.matrixHeight(), qRound(374 * ratio) / 12);
    QCOMPARE(rain.dropCount(), 2 * rain.matrixWidth());
    QCOMPARE(rain.RainFrame(), 0);
    QCOMPARE(box.tmTimer->interval(), 50);
    QVERIFY(box.tmTimer->isActive());
    QCOMPARE(box.rainImage().image().size(), QSize(qRound(446 * ratio), qRound(374 * ratio)));
}

void TestAboutBox::rainRunsEvery50ms()
{
    TAboutBox box(m_folder.path());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTRY_VERIFY_WITH_TIMEOUT(box.rain().RainFrame() >= 4, 2000);
    // No faster than every 50 ms.
    const qint32 before = box.rain().RainFrame();
    QTest::qWait(120);
    QVERIFY(box.rain().RainFrame() - before <= 3);
}

void TestAboutBox::rainShowsOnlyInTheBorder()
{
    TAboutBox box(m_folder.path(), nullptr, topOfRange);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (int i = 0; i < 40; ++i)
        box.tmTimerTimer();
    const QImage shot = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = shot.devicePixelRatio();
    auto part = [&](QRect logical) {
        return shot.copy(QRectF(logical.x() * ratio, logical.y() * ratio, logical.width() * ratio,
                                logical.height() * ratio)
                             .toRect());
    };
    // The left border shows green characters; the empty part of the panel stays black.
    const QImage border = part(QRect(0, 0, 48, 374));
    QVERIFY(litPixels(border) > 0);
    bool green = true;
    for (int y = 0; y < border.height(); ++y)
        for (int x = 0; x < border.width(); ++x) {
            const QRgb pixel = border.pixel(x, y);
            if ((pixel & 0xFFFFFF) != 0 && !(qGreen(pixel) >= qRed(pixel) && qGreen(pixel) >= qBlue(pixel)))
                green = false;
        }
    QVERIFY(green);
    QCOMPARE(litPixels(part(QRect(48 + 60, 42 + 180, 200, 30))), 0);
}

void TestAboutBox::bannerFollowsTheScaling()
{
    TAboutBox box(m_folder.path());
    const qreal ratio = box.devicePixelRatioF();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QStringLiteral("2")) {
        QCOMPARE(ratio, 2.0);
        QCOMPARE(box.Image2->pixmap().size(), QSize(688, 210));
        QCOMPARE(box.rain().matrixWidth(), 111);
    }
    const QPixmap banner = box.Image2->pixmap();
    QCOMPARE(banner.size(), (QSizeF(344, 105) * ratio).toSize());
    QCOMPARE(banner.devicePixelRatio(), ratio);
    QVERIFY(box.Image2->hasScaledContents());
    QVERIFY(litPixels(banner.toImage()) > 0);
    box.HighDPIImageYukle();
    QCOMPARE(box.Image2->pixmap().size(), banner.size());
}

void TestAboutBox::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape on OK") << "escape-ok";
    QTest::newRow("Escape on Info") << "escape-info";
    QTest::newRow("OK") << "ok";
    QTest::newRow("close box") << "close";
}

void TestAboutBox::closing()
{
    QFETCH(QString, how);
    QPointer<TAboutBox> box = new TAboutBox(m_folder.path());
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    if (how == "escape-ok") {
        QCOMPARE(QApplication::focusWidget(), box->BitBtn1);
        QTest::keyClick(box->BitBtn1, Qt::Key_Escape);
    } else if (how == "escape-info") {
        box->BitBtn2->setFocus();
        QTest::keyClick(box->BitBtn2, Qt::Key_Escape);
    } else if (how == "ok") {
        QTest::mouseClick(box->BitBtn1, Qt::LeftButton);
    } else {
        box->close();
    }
    flushDeletes();
    QVERIFY(box.isNull());
}

void TestAboutBox::infoDropsTheMenuUnderTheButton()
{
    quint32 now = 10000;
    dropDownMenuGuard().setTickSource([&now] { return now; });
    TAboutBox box(m_folder.path());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    int shown = 0;
    QPoint shownAt;
    connect(box.PopupMenu1, &QMenu::aboutToShow, this, [&] {
        ++shown;
        QTimer::singleShot(0, this, [&] {
            shownAt = box.PopupMenu1->pos();
            now += 500; // the user looks at the menu for half a second
            box.PopupMenu1->close();
        });
    });

    QTest::mouseClick(box.BitBtn2, Qt::LeftButton);
    QCOMPARE(shown, 1);
    QCOMPARE(shownAt, box.BitBtn2->mapToGlobal(QPoint(0, box.BitBtn2->height())));

    // The click that closed the menu reaches the button 40 ms later: no menu.
    now += 40;
    QTest::mouseClick(box.BitBtn2, Qt::LeftButton);
    QCOMPARE(shown, 1);
    // The next click, however soon, opens it again.
    now += 10;
    QTest::mouseClick(box.BitBtn2, Qt::LeftButton);
    QCOMPARE(shown, 2);
    // And so does a click well after the menu closed.
    now += 5000;
    QTest::mouseClick(box.BitBtn2, Qt::LeftButton);
    QCOMPARE(shown, 3);
    dropDownMenuGuard().setTickSource(tickCountMs);
}

void TestAboutBox::webPages_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("address");
    QTest::newRow("Acknowledgements") << "Credits1"
                                      << "https://127.0.0.1:8/blog/credits-and-acknowledgements/";
    QTest::newRow("How to uninstall") << "Howtouninstall1"
                                      << "http://127.0.0.1:8/blog/how-to-uninstall-palvex-software/";
    QTest::newRow("link") << "Label5"
                          << "http://127.0.0.1:8/";
}

void TestAboutBox::webPages()
{
    QFETCH(QString, command);
    QFETCH(QString, address);
    RecordingDesktop recorder;
    TAboutBox box(m_folder.path());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    if (command == "Credits1")
        box.Credits1->trigger();
    else if (command == "Howtouninstall1")
        box.Howtouninstall1->trigger();
    else
        QTest::mouseClick(box.Label5, Qt::LeftButton, {}, box.Label5->rect().center());
    QCOMPARE(recorder.openedUrls, QList<QUrl>{QUrl(address)});
    QVERIFY(recorder.messages.isEmpty());
    QVERIFY(box.isVisible());
}

void TestAboutBox::licenseMissing()
{
    RecordingDesktop recorder;
    QTemporaryDir empty;
    // A folder of that name is no licence file either.
    QVERIFY(QDir(empty.path()).mkdir(QStringLiteral("license.txt")));
    TAboutBox box(empty.path());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.LicensePrivacyPolicy1->trigger();
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral("File not found!"));
    QCOMPARE(recorder.messages[0].caption, QStringLiteral("License"));
    QCOMPARE(recorder.messages[0].icon, QMessageBox::Critical);
    QVERIFY(recorder.openedUrls.isEmpty());
    QVERIFY(box.isVisible());
}

void TestAboutBox::licenseOpensInTheEditor()
{
    RecordingDesktop recorder;
    QTemporaryDir base;
    const QString folder = base.path() + QStringLiteral("/Program Files/Thermira");
    QVERIFY(QDir().mkpath(folder));
    QFile license(folder + QStringLiteral("/license.txt"));
    QVERIFY(license.open(QIODevice::WriteOnly));
    license.write("Licence agreement\r\n");
    license.close();
    TAboutBox box(folder);
    box.LicensePrivacyPolicy1->trigger();
    QVERIFY(recorder.messages.isEmpty());
    QCOMPARE(recorder.openedUrls, QList<QUrl>{QUrl::fromLocalFile(folder + QStringLiteral("/license.txt"))});
}

void TestAboutBox::secondOpeningStartsFresh()
{
    QPointer<TAboutBox> first = new TAboutBox(m_folder.path(), nullptr, topOfRange);
    first->tmTimer->stop(); // the steps below are the only ones
    first->show();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    const int lastRow = first->rain().matrixHeight() - 1;
    QCOMPARE(first->rain().drop(0).row, lastRow);
    for (int i = 0; i < 4; ++i)
        first->tmTimerTimer();
    QVERIFY(first->rain().drop(0).row != lastRow);
    QVERIFY(litPixels(first->rainImage().image()) > 0);
    first->close();
    flushDeletes();
    QVERIFY(first.isNull());

    TAboutBox second(m_folder.path(), nullptr, topOfRange);
    second.tmTimer->stop();
    QCOMPARE(second.rain().RainFrame(), 0);
    QCOMPARE(second.rain().dropCount(), 2 * second.rain().matrixWidth());
    for (int i = 0; i < second.rain().dropCount(); ++i) {
        QCOMPARE(second.rain().drop(i).row, lastRow);
        QCOMPARE(second.rain().drop(i).stepTicks, 3);
    }
    QCOMPARE(litPixels(second.rainImage().image()), 0);
}

void TestAboutBox::dragging_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("moves");
    QTest::newRow("border, left button") << "form" << Qt::LeftButton << true;
    QTest::newRow("panel, middle button") << "Panel1" << Qt::MiddleButton << true;
    QTest::newRow("banner") << "Image2" << Qt::LeftButton << true;
    QTest::newRow("icon") << "Image1" << Qt::LeftButton << true;
    QTest::newRow("name") << "Label2" << Qt::LeftButton << true;
    QTest::newRow("right button") << "Image2" << Qt::RightButton << false;
    QTest::newRow("link") << "Label5" << Qt::LeftButton << false;
}

void TestAboutBox::dragging()
{
    QFETCH(QString, control);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, moves);
    RecordingDesktop recorder; // the link opens nothing real
    TAboutBox box(m_folder.path());
    box.move(100, 100);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QHash<QString, QWidget *> controls{{"form", &box},         {"Panel1", box.Panel1},
                                             {"Image2", box.Image2}, {"Image1", box.Image1},
                                             {"Label2", box.Label2}, {"Label5", box.Label5}};
    QWidget *target = controls.value(control);
    const QPoint start = control == "form" ? QPoint(20, 20) : QPoint(5, 5);
    const QPoint before = box.pos();
    // The pointer moves on the screen; the window under it follows (or not).
    const QPoint pressedAt = target->mapToGlobal(start);
    auto pointerAt = [&](QPoint offset) { return target->mapFromGlobal(pressedAt + offset); };
    QTest::mousePress(target, button, {}, start);
    QTest::mouseMove(target, pointerAt(QPoint(30, 10)));
    QTest::mouseMove(target, pointerAt(QPoint(45, 25)));
    QTest::mouseRelease(target, button, {}, pointerAt(QPoint(45, 25)));
    QCOMPARE(box.pos(), moves ? before + QPoint(45, 25) : before);
}

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
