#include "export/heatmapdatascript.h"
#include "export/heatmapexport.h"
#include "testfiles.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const QString Chromium = QStringLiteral(THERMIRA_CHROMIUM);
const QString Firefox = QStringLiteral(THERMIRA_FIREFOX);
const QString TemplateDir = QStringLiteral(THERMIRA_TEMPLATE_DIR);
const QString ScreenshotDir = QStringLiteral(THERMIRA_SCREENSHOT_DIR);

constexpr int PageWidth = 1200;
constexpr int PageHeight = 800;
constexpr int BrowserTimeoutMs = 180000;

struct Place
{
    double latitude;
    double longitude;
};

const Place Istanbul{41.01, 28.97};
const Place Paris{48.85, 2.35};
const Place Sydney{-33.87, 151.21};
const Place NewYork{40.71, -74.01};

// Far from every place the tests draw, and from every border.
const QList<Place> LandProbes{{62, 100}, {-10, -55}, {26, 2}};
const QList<Place> OceanProbes{{-30, -120}, {35, -40}, {-30, 80}};

const QRgb LandColour = qRgb(242, 239, 230);
const QRgb OceanColour = qRgb(200, 215, 225);

// Web Mercator's y of a latitude on a world of height 1, the equator at 0.
double mercatorY(double latitude)
{
    const double s = std::sin(latitude * std::numbers::pi / 180);
    return std::log((1 + s) / (1 - s)) / 2 / (2 * std::numbers::pi);
}

// The map's view as the page reports it: its centre and zoom.
struct View
{
    Place centre{0, 0};
    double zoom = -1;

    bool isValid() const { return zoom >= 0; }
    double worldSize() const { return 256 * std::pow(2.0, zoom); }
};

View viewOf(const QString &text)
{
    const QStringList parts = text.split(u',');
    View view;
    if (parts.size() == 3)
        view = {{parts.at(0).toDouble(), parts.at(1).toDouble()}, parts.at(2).toDouble()};
    return view;
}

// Where a place lies on the page, taking the copy of the world nearest the view's centre.
QPointF pixelOf(const View &view, Place place)
{
    const double world = view.worldSize();
    const double longitude =
        place.longitude + 360 * std::round((view.centre.longitude - place.longitude) / 360);
    return {PageWidth / 2.0 + world * (longitude - view.centre.longitude) / 360,
            PageHeight / 2.0 + world * (mercatorY(view.centre.latitude) - mercatorY(place.latitude))};
}

bool isInView(const View &view, Place place, int margin = 0)
{
    const QPointF at = pixelOf(view, place);
    return at.x() >= margin && at.y() >= margin && at.x() < PageWidth - margin &&
           at.y() < PageHeight - margin;
}

QColor colourAt(const QImage &image, const View &view, Place place)
{
    const QPointF at = pixelOf(view, place);
    return image.pixelColor(qRound(at.x()), qRound(at.y()));
}

bool isNear(const QColor &colour, QRgb reference, int tolerance = 10)
{
    return std::abs(colour.red() - qRed(reference)) <= tolerance &&
           std::abs(colour.green() - qGreen(reference)) <= tolerance &&
           std::abs(colour.blue() - qBlue(reference)) <= tolerance;
}

// Land, sea and the page's controls are greys and pale tints; heat is a strong colour.
bool isHeat(const QColor &colour)
{
    return colour.hsvSaturationF() > 0.45 && colour.valueF() > 0.3;
}

bool isHot(const QColor &colour)
{
    return isHeat(colour) && colour.hsvHue() >= 0 && colour.hsvHue() <= 45 && colour.red() > 200;
}

bool isCool(const QColor &colour)
{
    return isHeat(colour) && colour.hsvHue() >= 170 && colour.hsvHue() <= 260;
}

// Heat pixels inside the map, away from the zoom buttons, the layers button, the status box with
// its red problem list, and the attribution with its blue and yellow flag.
int heatPixels(const QImage &image)
{
    int count = 0;
    for (int y = 80; y < PageHeight - 100; ++y)
        for (int x = 60; x < PageWidth - 60; ++x)
            count += isHeat(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

QString describe(const QColor &colour)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

bool isLand(const QColor &colour)
{
    return isNear(colour, LandColour);
}

bool isSea(const QColor &colour)
{
    return isNear(colour, OceanColour);
}

// The places well inside the view, away from the page's controls.
QList<Place> visible(const View &view, const QList<Place> &places)
{
    QList<Place> result;
    for (const Place &place : places)
        if (isInView(view, place, 100))
            result << place;
    return result;
}

QString describe(const View &view, Place place)
{
    const QPointF at = pixelOf(view, place);
    return QStringLiteral("%1, %2 (pixel %3, %4 at zoom %5)")
        .arg(place.latitude)
        .arg(place.longitude)
        .arg(qRound(at.x()))
        .arg(qRound(at.y()))
        .arg(view.zoom);
}

// The places whose colour fails the check, with their pixel and colour; empty when all pass.
QString wrongColours(const QImage &image, const View &view, const QList<Place> &places,
                     bool (*check)(const QColor &), const char *what)
{
    QStringList wrong;
    for (const Place &place : places)
        if (!check(colourAt(image, view, place)))
            wrong << QString::fromLatin1(what) + u" at " + describe(view, place) + u": " +
                         describe(colourAt(image, view, place));
    return wrong.join(u'\n');
}

QString screenshotPath()
{
    QString tag = QString::fromLatin1(QTest::currentDataTag());
    tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
    return ScreenshotDir + u'/' + QString::fromLatin1(QTest::currentTestFunction()) +
           (tag.isEmpty() ? QString() : u'-' + tag) + QStringLiteral(".png");
}

struct BrowserRun
{
    QString failure; // empty when the browser ran and ended normally
    QByteArray out;
    QByteArray err;
};

// One headless browser run on the page. Nothing can leave the machine: no host name resolves.
BrowserRun runBrowser(const QUrl &page, const QStringList &mode)
{
    BrowserRun run;
    QTemporaryDir profile;
    QStringList arguments{QStringLiteral("--headless"),
                          QStringLiteral("--no-sandbox"),
                          QStringLiteral("--disable-gpu"),
                          QStringLiteral("--disable-quic"),
                          QStringLiteral("--no-first-run"),
                          QStringLiteral("--disable-background-networking"),
                          QStringLiteral("--disable-component-update"),
                          QStringLiteral("--disable-sync"),
                          QStringLiteral("--user-data-dir=") + profile.path(),
                          QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND"),
                          QStringLiteral("--enable-logging=stderr"),
                          QStringLiteral("--virtual-time-budget=5000"),
                          QStringLiteral("--window-size=%1,%2").arg(PageWidth).arg(PageHeight)};
    arguments << mode << page.toString(QUrl::FullyEncoded);

    QProcess process;
    process.start(Chromium, arguments);
    if (!process.waitForStarted(30000)) {
        run.failure = QStringLiteral("Cannot start %1: %2").arg(Chromium, process.errorString());
        return run;
    }
    if (!process.waitForFinished(BrowserTimeoutMs)) {
        process.kill();
        process.waitForFinished(10000);
        run.failure =
            QStringLiteral("%1 did not finish within %2 s").arg(Chromium).arg(BrowserTimeoutMs / 1000);
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        run.failure = QStringLiteral("%1 ended with code %2").arg(Chromium).arg(process.exitCode());
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString unescapeHtml(QString text)
{
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

// What the page says about itself once it has loaded.
struct PageReport
{
    QString failure;
    QMap<QString, QString> status; // the data-* attributes of the status box
    QString text;                  // the status box's own text
    QStringList problems;          // the page's list of failures
    QStringList uncaught;          // uncaught script errors in the browser's log
    QStringList requests;          // addresses the page asked the network for
};

// The network requests the page made, from the browser's network log. The browser's own
// background requests carry no page origin.
QStringList pageRequests(const QString &netLogPath, QString *failure)
{
    QFile file(netLogPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *failure = QStringLiteral("No network log at ") + netLogPath;
        return {};
    }
    QJsonParseError error;
    const QJsonObject log = QJsonDocument::fromJson(file.readAll(), &error).object();
    const QJsonValue startJob =
        log.value(u"constants").toObject().value(u"logEventTypes").toObject().value(u"URL_REQUEST_START_JOB");
    if (error.error != QJsonParseError::NoError || !startJob.isDouble()) {
        *failure = QStringLiteral("Unreadable network log %1: %2").arg(netLogPath, error.errorString());
        return {};
    }
    QStringList requests;
    for (const QJsonValue &value : log.value(u"events").toArray()) {
        const QJsonObject event = value.toObject();
        const QJsonObject params = event.value(u"params").toObject();
        if (event.value(u"type").toInt() == startJob.toInt() && params.contains(u"url") &&
            params.value(u"initiator").toString() != u"not an origin")
            requests << params.value(u"url").toString();
    }
    return requests;
}

PageReport loadPage(const QString &page)
{
    PageReport report;
    QTemporaryDir logDir;
    const QString netLog = logDir.filePath(QStringLiteral("net.json"));
    const BrowserRun run = runBrowser(
        QUrl::fromLocalFile(page), {QStringLiteral("--dump-dom"), QStringLiteral("--log-net-log=") + netLog});
    if (!run.failure.isEmpty()) {
        report.failure = run.failure + u'\n' + QString::fromUtf8(run.err.right(4000));
        return report;
    }

    const QString dom = QString::fromUtf8(run.out);
    static const QRegularExpression statusBox(QStringLiteral("<div id=\"status\"([^>]*)>(.*?)</div>"),
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch box = statusBox.match(dom);
    if (!box.hasMatch()) {
        report.failure = QStringLiteral("The page has no status box:\n") + dom.left(2000);
        return report;
    }
    static const QRegularExpression attribute(QStringLiteral("data-([a-z]+)=\"([^\"]*)\""));
    for (const QRegularExpressionMatch &match : attribute.globalMatch(box.captured(1)))
        report.status.insert(match.captured(1), unescapeHtml(match.captured(2)));
    const QString content = box.captured(2);
    report.text = unescapeHtml(content.left(content.indexOf(u'<'))).trimmed();
    static const QRegularExpression problem(QStringLiteral("<li>(.*?)</li>"));
    for (const QRegularExpressionMatch &match : problem.globalMatch(content))
        report.problems << unescapeHtml(match.captured(1));

    for (const QByteArray &line : run.err.split('\n'))
        if (line.contains("Uncaught"))
            report.uncaught << QString::fromUtf8(line);

    report.requests = pageRequests(netLog, &report.failure);
    return report;
}

// Takes the page's screenshot, keeps it for a person to look at and prints where it is.
QImage screenshot(const QString &page, QString *failure)
{
    const QString path = screenshotPath();
    QFile::remove(path);
    const BrowserRun run = runBrowser(QUrl::fromLocalFile(page), {QStringLiteral("--screenshot=") + path});
    if (!run.failure.isEmpty()) {
        *failure = run.failure + u'\n' + QString::fromUtf8(run.err.right(4000));
        return {};
    }
    QImage image(path);
    if (image.isNull())
        *failure = QStringLiteral("No screenshot at ") + path;
    else
        qInfo("screenshot: %s", qPrintable(path));
    return image.convertToFormat(QImage::Format_RGB32);
}

std::vector<LocationEntry> entriesOf(const QList<QStringList> &rows)
{
    std::vector<LocationEntry> entries;
    for (const QStringList &row : rows)
        entries.push_back({row.at(0), row.at(1), QString()});
    return entries;
}

QStringList cityRow(Place place)
{
    return {QString::number(place.latitude), QString::number(place.longitude)};
}

enum class Damage
{
    NoDataScript,
    NotAList,
    BrokenScript,
    NoVariable,
    NoLeaflet
};

} // namespace

Q_DECLARE_METATYPE(Place)
Q_DECLARE_METATYPE(Damage)

class TestHeatmapPage final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void drawsThePoints_data();
    void drawsThePoints();
    void tellsWhatIsMissing_data();
    void tellsWhatIsMissing();
    void opensOnThePoints_data();
    void opensOnThePoints();
    void tunesTheHeat_data();
    void tunesTheHeat();
    void redrawSumsEveryPointInView();
    void heatFollowsADrag();
    void drawsOneHundredThousandPoints();
    void opensInFirefox();

private:
    QString exportList(const QTemporaryDir &folder, const std::vector<LocationEntry> &entries);
};

void TestHeatmapPage::initTestCase()
{
    QVERIFY2(QFileInfo(Chromium).isExecutable(),
             qPrintable(QStringLiteral("Chromium is missing: the exported page is tested in %1 "
                                       "(Debian package \"chromium\"; .ci/run installs it)")
                            .arg(Chromium)));
    for (const QString &name : heatmapTemplateFiles())
        QVERIFY2(QFileInfo::exists(TemplateDir + u'/' + name), qPrintable(TemplateDir + u'/' + name));
    QVERIFY(QDir().mkpath(ScreenshotDir));
}

QString TestHeatmapPage::exportList(const QTemporaryDir &folder, const std::vector<LocationEntry> &entries)
{
    return exportHeatmap(folder.path(), TemplateDir, entries, TextEncoding::utf8());
}

void TestHeatmapPage::drawsThePoints_data()
{
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<int>("drawn");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Place>>("heated");
    QTest::addColumn<QList<Place>>("hot");
    QTest::addColumn<QList<Place>>("cool");

    QTest::newRow("one point, the hottest place")
        << QList<QStringList>{cityRow(Paris)} << 1 << 0 << "1 point drawn, 0 skipped" << QList<Place>{Paris}
        << QList<Place>{Paris} << QList<Place>{};
    QTest::newRow("three cities") << QList<QStringList>{cityRow(Istanbul), cityRow(Paris), cityRow(Sydney)}
                                  << 3 << 0 << "3 points drawn, 0 skipped"
                                  << QList<Place>{Istanbul, Paris, Sydney} << QList<Place>{}
                                  << QList<Place>{};
    QTest::newRow("a row abc is skipped")
        << QList<QStringList>{cityRow(Istanbul), {"abc", "0"}, cityRow(Paris), cityRow(NewYork)} << 3 << 1
        << "3 points drawn, 1 skipped" << QList<Place>{Istanbul, Paris, NewYork} << QList<Place>{}
        << QList<Place>{};
    QTest::newRow("numbers as typed")
        << QList<QStringList>{{"41,01", "28,97"},
                              {" 48.85 ", "2.35"},
                              {"+40.71", "-74.01"},
                              {"-033.87", "151.21"}}
        << 4 << 0 << "4 points drawn, 0 skipped" << QList<Place>{Istanbul, Paris, NewYork, Sydney}
        << QList<Place>{} << QList<Place>{};
    QTest::newRow("not places") << QList<QStringList>{{"95", "0"},           {"0", "-181"},
                                                      {"1e400", "0"},        {"", ""},
                                                      {"0x1F", "10"},        {"12abc", "5"},
                                                      {"</script>", "\"];"}, cityRow(Paris)}
                                << 1 << 7 << "1 point drawn, 7 skipped" << QList<Place>{Paris}
                                << QList<Place>{Paris} << QList<Place>{};
    QList<QStringList> dense(30, cityRow(Istanbul));
    dense << cityRow(Paris);
    QTest::newRow("a dense place turns hot")
        << dense << 31 << 0 << "31 points drawn, 0 skipped" << QList<Place>{Istanbul, Paris}
        << QList<Place>{Istanbul} << QList<Place>{Paris};
    QTest::newRow("empty list") << QList<QStringList>{} << 0 << 0 << "0 points drawn, 0 skipped"
                                << QList<Place>{} << QList<Place>{} << QList<Place>{};
}

void TestHeatmapPage::drawsThePoints()
{
    QFETCH(QList<QStringList>, rows);
    QFETCH(int, drawn);
    QFETCH(int, skipped);
    QFETCH(QString, text);
    QFETCH(QList<Place>, heated);
    QFETCH(QList<Place>, hot);
    QFETCH(QList<Place>, cool);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString page = exportList(folder, entriesOf(rows));

    const PageReport report = loadPage(page);
    QVERIFY2(report.failure.isEmpty(), qPrintable(report.failure));
    QVERIFY2(report.uncaught.isEmpty(), qPrintable(report.uncaught.join(u'\n')));
    QVERIFY2(report.problems.isEmpty(), qPrintable(report.problems.join(u'\n')));
    QCOMPARE(report.status.value(QStringLiteral("problems")), QStringLiteral("0"));
    QVERIFY2(report.requests.isEmpty(), qPrintable(report.requests.join(u'\n')));
    QCOMPARE(report.text, text);
    QCOMPARE(report.status.value(QStringLiteral("drawn")), QString::number(drawn));
    QCOMPARE(report.status.value(QStringLiteral("skipped")), QString::number(skipped));
    QVERIFY(!report.status.contains(QStringLiteral("error")));
    bool timed = false;
    QVERIFY(report.status.value(QStringLiteral("ms")).toDouble(&timed) >= 0 && timed);

    QString failure;
    const QImage image = screenshot(page, &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(image.size(), QSize(PageWidth, PageHeight));

    const View view = viewOf(report.status.value(QStringLiteral("view")));
    QVERIFY2(view.isValid(), qPrintable(report.status.value(QStringLiteral("view"))));
    for (const Place &place : heated)
        QVERIFY2(isInView(view, place, 40), qPrintable(u"out of the first view: " + describe(view, place)));
    QVERIFY2(wrongColours(image, view, heated, isHeat, "no heat").isEmpty(),
             qPrintable(wrongColours(image, view, heated, isHeat, "no heat")));
    QVERIFY2(wrongColours(image, view, hot, isHot, "not hot").isEmpty(),
             qPrintable(wrongColours(image, view, hot, isHot, "not hot")));
    QVERIFY2(wrongColours(image, view, cool, isCool, "not cool").isEmpty(),
             qPrintable(wrongColours(image, view, cool, isCool, "not cool")));
    QVERIFY2(wrongColours(image, view, visible(view, LandProbes), isLand, "no land").isEmpty(),
             qPrintable(wrongColours(image, view, visible(view, LandProbes), isLand, "no land")));
    QVERIFY2(wrongColours(image, view, visible(view, OceanProbes), isSea, "no sea").isEmpty(),
             qPrintable(wrongColours(image, view, visible(view, OceanProbes), isSea, "no sea")));
    if (drawn == 0)
        QCOMPARE(heatPixels(image), 0);
    else
        QVERIFY(heatPixels(image) > 0);
}

void TestHeatmapPage::tellsWhatIsMissing_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("text");

    const QString noData =
        QStringLiteral("No points to show: \"leaflet-heat-data.js\" is missing from this folder "
                       "or does not hold a list of points.");
    QTest::newRow("no data script") << Damage::NoDataScript << "data" << noData;
    QTest::newRow("not a list") << Damage::NotAList << "data" << noData;
    QTest::newRow("broken script") << Damage::BrokenScript << "data" << noData;
    QTest::newRow("no addressPoints") << Damage::NoVariable << "data" << noData;
    QTest::newRow("no leaflet.js")
        << Damage::NoLeaflet << "library"
        << "The map cannot be shown: leaflet.js, leaflet-heat.js and HeatLayer.js must lie beside this page.";
}

void TestHeatmapPage::tellsWhatIsMissing()
{
    QFETCH(Damage, damage);
    QFETCH(QString, error);
    QFETCH(QString, text);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString page = exportList(folder, {{QStringLiteral("41.01"), QStringLiteral("28.97"), QString()}});
    const QString data = folder.filePath(QString::fromUtf16(HeatmapDataScriptName));
    switch (damage) {
    case Damage::NoDataScript:
        QVERIFY(QFile::remove(data));
        break;
    case Damage::NotAList:
        QVERIFY(writeFileBytes(data, "var addressPoints = 42;\r\n"));
        break;
    case Damage::BrokenScript:
        QVERIFY(writeFileBytes(data, "var addressPoints = [\r\n[41.01, 28.97, \"10\"],\r\n"));
        break;
    case Damage::NoVariable:
        QVERIFY(writeFileBytes(data, "var points = [\r\n[41.01, 28.97, \"10\"]\r\n];\r\n"));
        break;
    case Damage::NoLeaflet:
        QVERIFY(QFile::remove(folder.filePath(QStringLiteral("leaflet.js"))));
        break;
    }

    const PageReport report = loadPage(page);
    QVERIFY2(report.failure.isEmpty(), qPrintable(report.failure));
    QCOMPARE(report.text, text);
    QCOMPARE(report.status.value(QStringLiteral("error")), error);
    QCOMPARE(report.status.value(QStringLiteral("drawn")), QStringLiteral("0"));
    QVERIFY2(report.requests.isEmpty(), qPrintable(report.requests.join(u'\n')));
    if (damage == Damage::NoDataScript)
        QVERIFY2(report.problems.contains(QStringLiteral("Cannot load \"leaflet-heat-data.js\".")),
                 qPrintable(report.problems.join(u'\n')));
    if (damage == Damage::NoLeaflet)
        QVERIFY2(report.problems.contains(QStringLiteral("Cannot load \"leaflet.js\".")),
                 qPrintable(report.problems.join(u'\n')));

    QString failure;
    const QImage image = screenshot(page, &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(heatPixels(image), 0);
    // Without its data the page still shows the world.
    if (damage != Damage::NoLeaflet) {
        const View view = viewOf(report.status.value(QStringLiteral("view")));
        QVERIFY2(view.isValid(), qPrintable(report.status.value(QStringLiteral("view"))));
        QCOMPARE(visible(view, LandProbes).size(), LandProbes.size());
        QVERIFY2(wrongColours(image, view, LandProbes, isLand, "no land").isEmpty(),
                 qPrintable(wrongColours(image, view, LandProbes, isLand, "no land")));
    }
}

void TestHeatmapPage::opensOnThePoints_data()
{
    QTest::addColumn<QList<Place>>("places");
    QTest::addColumn<double>("lowestZoom");
    QTest::addColumn<double>("highestZoom");

    // At 1200 pixels the world fills the width from zoom 2.25; a first view goes no closer than 6.
    // Points over 225 degrees of longitude open at 2.75, the whole world but a stretch of ocean.
    QTest::newRow("Turkish cities") << QList<Place>{Istanbul,      {39.93, 32.86}, {38.42, 27.14},
                                                    {37.0, 35.32}, {39.9, 41.27},  {41.0, 39.72},
                                                    {36.9, 30.7},  {38.5, 43.4}}
                                    << 5.0 << 6.0;
    QTest::newRow("one point") << QList<Place>{Paris} << 6.0 << 6.0;
    QTest::newRow("several continents")
        << QList<Place>{Istanbul, Sydney, NewYork, {-23.55, -46.63}} << 2.25 << 2.75;
    QTest::newRow("both sides of the date line")
        << QList<Place>{{-17.7, 178.0}, {-13.8, -172.1}, {-21.1, -175.2}} << 4.0 << 6.0;
}

void TestHeatmapPage::opensOnThePoints()
{
    QFETCH(QList<Place>, places);
    QFETCH(double, lowestZoom);
    QFETCH(double, highestZoom);

    QList<QStringList> rows;
    for (const Place &place : places)
        rows << cityRow(place);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const PageReport report = loadPage(exportList(folder, entriesOf(rows)));
    QVERIFY2(report.failure.isEmpty(), qPrintable(report.failure));
    QVERIFY2(report.uncaught.isEmpty(), qPrintable(report.uncaught.join(u'\n')));

    const View view = viewOf(report.status.value(QStringLiteral("view")));
    QVERIFY2(view.zoom >= lowestZoom && view.zoom <= highestZoom,
             qPrintable(QStringLiteral("zoom %1").arg(view.zoom)));
    QVERIFY(view.worldSize() >= PageWidth);
    for (const Place &place : places)
        QVERIFY2(isInView(view, place, 40), qPrintable(u"out of the first view: " + describe(view, place)));
    if (places.size() == 1)
        QVERIFY2(std::abs(pixelOf(view, places.first()).x() - PageWidth / 2.0) < 2 &&
                     std::abs(pixelOf(view, places.first()).y() - PageHeight / 2.0) < 2,
                 qPrintable(describe(view, places.first())));
}

void TestHeatmapPage::tunesTheHeat_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("legendLowHue");

    QTest::newRow("defaults") << QString() << "radius=12 blur=10 floor=0.4" << 240;
    QTest::newRow("kept in the address") << "radius=30&blur=2&floor=0.8"
                                         << "radius=30 blur=2 floor=0.8" << 60;
    QTest::newRow("nonsense in the address") << "radius=-5&blur=abc&floor=7"
                                             << "radius=2 blur=10 floor=1" << 0;
}

// Headless Chromium with virtual time does not always run animation frames before it stops;
// timers it does run. Loaded before the page's scripts, so the page draws on these frames.
// Check scripts report through reportCheck.
const char FrameShim[] = R"(
window.requestAnimationFrame = function (step) {
    return setTimeout(function () { step(performance.now()); }, 16);
};
window.cancelAnimationFrame = function (id) { clearTimeout(id); };
// A check script ends by handing what it found to this.
window.reportCheck = function (out) {
    var check = document.createElement('pre');
    check.id = 'check';
    check.textContent = JSON.stringify(out);
    document.body.appendChild(check);
};
)";

// Runs a copy of the exported page with the frame shim and `script` added, and returns what the
// script wrote into <pre id="check"> as JSON; without it, failure says why.
QJsonObject runCheckScript(const QString &index, const char *script, const QString &fragment,
                           QString *failure)
{
    QString html = QString::fromUtf8(readFileBytes(index));
    html.replace(QStringLiteral("<head>"),
                 QStringLiteral("<head>\n<script>%1</script>").arg(QLatin1String(FrameShim)));
    html.replace(QStringLiteral("</body>"),
                 QStringLiteral("<script>%1</script>\n</body>").arg(QLatin1String(script)));
    const QString page = QFileInfo(index).dir().filePath(QStringLiteral("check.html"));
    if (!writeFileBytes(page, html.toUtf8())) {
        *failure = QStringLiteral("Cannot write ") + page;
        return {};
    }
    QUrl url = QUrl::fromLocalFile(page);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    const BrowserRun run = runBrowser(url, {QStringLiteral("--dump-dom")});
    static const QRegularExpression checkBox(QStringLiteral("<pre id=\"check\">(.*?)</pre>"));
    const QRegularExpressionMatch match = checkBox.match(QString::fromUtf8(run.out));
    if (!run.failure.isEmpty() || !match.hasMatch()) {
        *failure =
            run.failure + QStringLiteral("\nNo check result:\n") + QString::fromUtf8(run.err.right(3000));
        return {};
    }
    return QJsonDocument::fromJson(unescapeHtml(match.captured(1)).toUtf8()).object();
}

// Drags the radius slider to 40, then presses Reset, and writes what the page did into
// <pre id="check"> as JSON.
const char TuningScript[] = R"(
window.addEventListener('load', function () {
    var out = {}, page = window.heatmapPage;
    var heatCanvas = document.querySelector('.leaflet-heat-pane canvas');
    var sliders = document.querySelectorAll('.heatmap-tuning input[type=range]');
    function heatPixels() {
        var data = heatCanvas.getContext('2d').getImageData(0, 0, heatCanvas.width, heatCanvas.height).data, n = 0;
        for (var i = 3; i < data.length; i += 4) n += data[i] > 0 ? 1 : 0;
        return n;
    }
    function afterDrawing(step) { requestAnimationFrame(function () { setTimeout(step, 0); }); }
    function slider(name) { return document.querySelector('.heatmap-tuning input[name=' + name + ']'); }
    var legend = document.querySelectorAll('#legend canvas');
    out.legend = legend.length;
    if (legend.length === 1) {
        var bar = legend[0].getContext('2d').getImageData(0, 0, legend[0].width, 1).data;
        out.legendLow = Array.prototype.slice.call(bar, 0, 3);
        out.legendHigh = Array.prototype.slice.call(bar, bar.length - 4, bar.length - 1);
    }
    out.shown = Array.prototype.map.call(sliders, function (s) { return s.name + '=' + s.value; }).join(' ');
    out.radiusAtStart = page.heat.options.radius;
    out.pixelsAtStart = heatPixels();
    slider('radius').value = 40;
    slider('radius').dispatchEvent(new Event('input', { bubbles: true }));
    afterDrawing(function () {
        out.radius = page.heat.options.radius;
        out.address = location.hash;
        out.pixels = heatPixels();
        document.querySelector('.heatmap-tuning button').click();
        afterDrawing(function () {
            out.radiusAfterReset = page.heat.options.radius;
            out.addressAfterReset = location.hash;
            out.shownAfterReset = Array.prototype.map.call(sliders, function (s) { return s.name + '=' + s.value; }).join(' ');
            reportCheck(out);
        });
    });
});
)";

void TestHeatmapPage::tunesTheHeat()
{
    QFETCH(QString, address);
    QFETCH(QString, shown);
    QFETCH(int, legendLowHue);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QString failure;
    const QJsonObject check =
        runCheckScript(exportList(folder, entriesOf({cityRow(Istanbul), cityRow(Paris), cityRow(NewYork)})),
                       TuningScript, address, &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    QCOMPARE(check.value(u"legend").toInt(), 1);
    // The legend runs from a lone point's colour (blue, yellow for a floor of 0.8, red for 1)
    // to red.
    const auto colourOf = [&check](const char16_t *key) {
        const QJsonArray rgb = check.value(key).toArray();
        return QColor(rgb.at(0).toInt(), rgb.at(1).toInt(), rgb.at(2).toInt());
    };
    QVERIFY2(isHot(colourOf(u"legendHigh")), qPrintable(describe(colourOf(u"legendHigh"))));
    const int hueDistance = std::abs(colourOf(u"legendLow").hsvHue() - legendLowHue) % 360;
    QVERIFY2(isHeat(colourOf(u"legendLow")) && std::min(hueDistance, 360 - hueDistance) <= 20,
             qPrintable(describe(colourOf(u"legendLow"))));
    QCOMPARE(check.value(u"shown").toString(), shown);
    QCOMPARE(check.value(u"radiusAtStart").toDouble(), shown.section(u' ', 0, 0).section(u'=', 1).toDouble());
    // Dragging the radius to 40 redraws with the wider stamp at once and keeps it in the address.
    QCOMPARE(check.value(u"radius").toDouble(), 40.0);
    QCOMPARE(check.value(u"address").toString().section(u'&', 0, 0), QStringLiteral("#radius=40"));
    QVERIFY2(check.value(u"pixels").toInt() > check.value(u"pixelsAtStart").toInt(),
             qPrintable(QStringLiteral("%1 heat pixels before, %2 after")
                            .arg(check.value(u"pixelsAtStart").toInt())
                            .arg(check.value(u"pixels").toInt())));
    // Reset returns to the defaults and clears the address.
    QCOMPARE(check.value(u"radiusAfterReset").toDouble(), 12.0);
    QCOMPARE(check.value(u"addressAfterReset").toString(), QString());
    QCOMPARE(check.value(u"shownAfterReset").toString(), QStringLiteral("radius=12 blur=10 floor=0.4"));
}

// Moves the map through a few views, each time summing the view into cells as a redraw does,
// and compares every cell with a pass over all points and their world copies. Writes one
// result per view into <pre id="check"> as JSON.
const char RedrawCheckScript[] = R"(
window.addEventListener('load', function () {
    var heat = window.heatmapPage.heat, map = window.heatmapPage.map, p = heat._projected;
    heat._sorted(); // what a redraw does when the idle sort is not done yet
    var out = { sorted: !!p.start, views: [] };
    [[20, 179.9, 2.25], [10, 30, 3.25], [-17.6, 179.9, 5.5], [-17.6, 179.9, 8], [48.85, 2.35, 10.75]].forEach(function (v) {
        map.setView([v[0], v[1]], v[2], { animate: false });
        var view = heat._fillView(false), cached = heat._cellsFor(view) !== null, r = view.r, size = view.cellSize;
        var perCell = view.scale / size, world = p.worldWidth, want = new Map(), fromCopies = 0, copy, i;
        for (copy = -2; copy <= 2; copy++) {
            for (i = 0; i < p.count; i++) {
                var px = (p.xs[i] + copy * world) * view.scale, py = p.ys[i] * view.scale;
                if (px + view.shiftX < -r || py + view.shiftY < -r || px + view.shiftX > view.width + r || py + view.shiftY > view.height + r) continue;
                // Summed cells serve a world copy moved by whole cells.
                var col = cached ? Math.floor(p.xs[i] * perCell) + Math.round(copy * world * perCell) : Math.floor(px / size);
                var c = (Math.floor(cached ? p.ys[i] * perCell : py / size) - view.row0) * view.cols + col - view.col0;
                want.set(c, (want.get(c) || 0) + p.ws[i]);
                fromCopies += copy !== 0 ? 1 : 0;
            }
        }
        for (i = 0; i < view.usedCount; i++) if (!want.has(view.used[i])) want.set(view.used[i], 0);
        var result = { view: v.join(','), cached: cached, fromCopies: fromCopies, compared: 0, differ: 0 };
        function near(a, line) { return Math.abs(a + size / 2 - line) < 1.5 * size; }
        want.forEach(function (w, c) {
            // Summed cells are kept or dropped by their centroid, points by position: the rim may differ.
            var x = (c % view.cols + view.col0) * size + view.shiftX, y = (Math.floor(c / view.cols) + view.row0) * size + view.shiftY;
            if (cached && (near(x, -r) || near(x, view.width + r) || near(y, -r) || near(y, view.height + r))) return;
            result.compared++;
            if (!(Math.abs(view.sum[c] - w) <= 1e-9 * w) && !result.differ++)
                result.first = 'cell ' + c + ' holds ' + view.sum[c] + ' instead of ' + w;
        });
        out.views.push(result);
    });
    reportCheck(out);
});
)";

void TestHeatmapPage::redrawSumsEveryPointInView()
{
    // Half the points round three towns, one of them astride the date line; half spread wide.
    constexpr int Count = 30000;
    const QList<Place> towns{Paris, Sydney, {-17.6, 179.7}};
    QRandomGenerator random(20240607);
    std::vector<LocationEntry> entries;
    for (int i = 0; i < Count; ++i) {
        const Place town = towns.at(int(random.bounded(quint32(towns.size()))));
        const bool clustered = i % 2 == 0;
        const double latitude =
            clustered ? town.latitude + (random.generateDouble() - random.generateDouble()) * 0.6
                      : -60 + random.bounded(130.0);
        double longitude = clustered
                               ? town.longitude + (random.generateDouble() - random.generateDouble()) * 0.6
                               : -180 + random.bounded(360.0);
        if (longitude > 180)
            longitude -= 360;
        entries.push_back({QString::number(latitude, 'f', 5), QString::number(longitude, 'f', 5), QString()});
    }
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QString failure;
    const QJsonObject check =
        runCheckScript(exportList(folder, entries), RedrawCheckScript, QString(), &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    QVERIFY(check.value(u"sorted").toBool());
    const QJsonArray views = check.value(u"views").toArray();
    QCOMPARE(views.size(), 5);
    int cached = 0, sorted = 0, copies = 0;
    for (const QJsonValue &value : views) {
        const QJsonObject view = value.toObject();
        const QString where = view.value(u"view").toString() +
                              (view.value(u"cached").toBool() ? u" (summed cells): " : u" (points): ");
        QVERIFY2(view.value(u"compared").toInt() > 50,
                 qPrintable(where + QString::number(view.value(u"compared").toInt()) + u" cells"));
        QVERIFY2(view.value(u"differ").toInt() == 0,
                 qPrintable(where + QString::number(view.value(u"differ").toInt()) + u" of " +
                            QString::number(view.value(u"compared").toInt()) + u" cells differ, first " +
                            view.value(u"first").toString()));
        (view.value(u"cached").toBool() ? cached : sorted)++;
        copies += view.value(u"fromCopies").toInt() > 0 ? 1 : 0;
    }
    // Both ways of reading the points, and world copies past the date line.
    QVERIFY(cached > 0 && sorted > 0);
    QVERIFY(copies > 0);
}

// Opens on Paris at zoom 6, with Kyiv out of view to the east, then drags the map 800
// pixels west as Leaflet's dragging does (the pane moves, "move" fires, the drag goes on).
const char DragScript[] = R"(
window.addEventListener('load', function () {
    var map = window.heatmapPage.map, canvas = document.querySelector('.leaflet-heat-pane canvas'), out = {};
    function heatAt(latLng) {
        var at = map.latLngToLayerPoint(latLng).subtract(L.DomUtil.getPosition(canvas)).round();
        if (at.x < 0 || at.y < 0 || at.x >= canvas.width || at.y >= canvas.height) return 0;
        return canvas.getContext('2d').getImageData(at.x, at.y, 1, 1).data[3];
    }
    map.setView([48.85, 2.35], 6, { animate: false });
    map.on('moveend', function () { out.moveEnded = true; });
    out.kyivInView = map.getBounds().contains([50.45, 30.52]);
    map._rawPanBy(L.point(800, 0));
    map.fire('move');
    out.kyivInViewAfterDrag = map.getBounds().contains([50.45, 30.52]);
    requestAnimationFrame(function () { setTimeout(function () {
        out.kyivHeat = heatAt([50.45, 30.52]);
        reportCheck(out);
    }, 0); });
});
)";

void TestHeatmapPage::heatFollowsADrag()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QString failure;
    const QJsonObject check =
        runCheckScript(exportList(folder, entriesOf({QStringList{"50.45", "30.52"}, cityRow(Paris)})),
                       DragScript, QString(), &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(!check.value(u"kyivInView").toBool());
    QVERIFY2(check.value(u"kyivInViewAfterDrag").toBool(), qPrintable(QJsonDocument(check).toJson()));
    QVERIFY(!check.value(u"moveEnded").toBool());
    // Within a frame of the move, still dragging, Kyiv is drawn where it now is.
    QVERIFY2(check.value(u"kyivHeat").toInt() > 0, qPrintable(QJsonDocument(check).toJson()));
}

void TestHeatmapPage::drawsOneHundredThousandPoints()
{
    constexpr int Count = 100000;
    QRandomGenerator random(20240601);
    std::vector<LocationEntry> entries;
    entries.reserve(Count);
    for (int i = 0; i < Count; ++i) {
        // Clustered round 200 towns, a few of them much bigger than the rest, as real lists are.
        const double u = random.generateDouble();
        const int town = int(200 * u * u);
        const double latitude = -40 + 100 * std::fmod(town * 0.618034, 1.0) + random.bounded(3.0) - 1.5;
        const double longitude = -170 + 340 * std::fmod(town * 0.754878, 1.0) + random.bounded(3.0) - 1.5;
        entries.push_back({QString::number(latitude, 'f', 4), QString::number(longitude, 'f', 4), QString()});
    }
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString page = exportList(folder, entries);

    const PageReport report = loadPage(page);
    QVERIFY2(report.failure.isEmpty(), qPrintable(report.failure));
    QVERIFY2(report.uncaught.isEmpty(), qPrintable(report.uncaught.join(u'\n')));
    QVERIFY2(report.problems.isEmpty(), qPrintable(report.problems.join(u'\n')));
    QCOMPARE(report.text, QStringLiteral("100000 points drawn, 0 skipped"));
    QCOMPARE(report.status.value(QStringLiteral("drawn")), QString::number(Count));
    bool timed = false;
    const double ms = report.status.value(QStringLiteral("ms")).toDouble(&timed);
    QVERIFY(timed && ms > 0);
    qInfo("drawing time for %d points: %.1f ms", Count, ms);

    QString failure;
    const QImage image = screenshot(page, &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(heatPixels(image) > 0);
}

// Firefox has no DOM dump, so its screenshot must tell: a single point opens in the middle of
// the window, hot, on land.
void TestHeatmapPage::opensInFirefox()
{
    QVERIFY2(QFileInfo(Firefox).isExecutable(),
             qPrintable(Firefox +
                        QStringLiteral(" is missing (Debian package \"firefox-esr\"; .ci/run installs it)")));
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString page = exportList(folder, entriesOf({cityRow(Paris)}));
    QTemporaryDir profile;
    const QString path = screenshotPath();
    QFile::remove(path);
    QProcess firefox;
    firefox.start(Firefox,
                  {QStringLiteral("--headless"), QStringLiteral("--no-remote"), QStringLiteral("--profile"),
                   profile.path(), QStringLiteral("--window-size=%1,%2").arg(PageWidth).arg(PageHeight),
                   QStringLiteral("--screenshot"), path, QUrl::fromLocalFile(page).toString()});
    QVERIFY2(firefox.waitForFinished(BrowserTimeoutMs), qPrintable(firefox.errorString()));
    QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(QStringLiteral("No screenshot at %1:\n%2")
                                             .arg(path, QString::fromUtf8(firefox.readAllStandardError()))));
    image = image.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(PageWidth, PageHeight));
    const QColor centre = image.pixelColor(PageWidth / 2, PageHeight / 2);
    QVERIFY2(isHot(centre), qPrintable(describe(centre)));
    QVERIFY2(isLand(image.pixelColor(PageWidth / 2, PageHeight / 2 + 100)),
             qPrintable(describe(image.pixelColor(PageWidth / 2, PageHeight / 2 + 100))));
}

QTEST_GUILESS_MAIN(TestHeatmapPage)
#include "tst_heatmappage.moc"
