#include "about/dropdownguard.h"
#include "about/matrixrain.h"
#include "about/rainimage.h"

#include <QList>
#include <QTest>

#include <deque>

namespace {

struct CanvasCall
{
    enum Kind
    {
        Clear,
        Fill,
        Char
    } kind;
    QRect rect;
    QChar ch;
    QColor colour;
};

class RecordingCanvas final : public RainCanvas
{
public:
    void clear(int width, int height) override
    {
        calls.append({CanvasCall::Clear, QRect(0, 0, width, height), {}, {}});
    }
    void fillCell(const QRect &cell) override { calls.append({CanvasCall::Fill, cell, {}, {}}); }
    void drawChar(QChar ch, const QRect &cell, QColor colour) override
    {
        calls.append({CanvasCall::Char, cell, ch, colour});
    }
    QList<CanvasCall> calls;
};

// Answers Random(n) from a script; records every n asked for.
struct ScriptedRandom
{
    std::deque<int> answers;
    QList<int> asked;
    int fallback = 0;

    RainRandom source()
    {
        return [this](int n) {
            asked.append(n);
            int value = fallback;
            if (!answers.empty()) {
                value = answers.front();
                answers.pop_front();
            }
            return n <= 0 ? 0 : qBound(0, value, n - 1);
        };
    }
};

// A random source that always answers the top (or the bottom) of the range.
RainRandom always(bool top)
{
    return [top](int n) { return n <= 0 || !top ? 0 : n - 1; };
}

int nonBlackPixels(const QImage &image, bool *allGreen)
{
    int count = 0;
    *allGreen = true;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x] & 0xFFFFFF;
            if (pixel == 0)
                continue;
            ++count;
            if (!(qGreen(pixel) > 0 && qGreen(pixel) >= qRed(pixel) && qGreen(pixel) >= qBlue(pixel)))
                *allGreen = false;
        }
    }
    return count;
}

} // namespace

class TestMatrixRain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colours_data();
    void colours();
    void trailEraseRow_data();
    void trailEraseRow();
    void seeding_data();
    void seeding();
    void seedingAsksRowThenSpeedThenBrightness();
    void stepMovesByStepTicks_data();
    void stepMovesByStepTicks();
    void dropAtTheBottomStartsAgain();
    void drawDropChar_data();
    void drawDropChar();
    void onlyRainCharacters();
    void imageShowsOnlyGreen_data();
    void imageShowsOnlyGreen();
    void stepTouchesOnlyDropCells();
    void resetClearsAndReseedsOnTheSameGrid();
    void guard_data();
    void guard();
    void guardForgetsDestroyedButton();
};

void TestMatrixRain::colours_data()
{
    QTest::addColumn<int>("brightness");
    QTest::addColumn<QColor>("head");
    QTest::addColumn<QColor>("dim");
    QTest::newRow("0 is invisible") << 0 << QColor(0, 0, 0) << QColor(0, 0, 0);
    QTest::newRow("1") << 1 << QColor(1, 2, 0) << QColor(0, 0, 0);
    QTest::newRow("33") << 33 << QColor(49, 84, 32) << QColor(16, 28, 10);
    QTest::newRow("50") << 50 << QColor(74, 127, 49) << QColor(24, 42, 16);
    QTest::newRow("99") << 99 << QColor(148, 252, 98) << QColor(49, 84, 32);
}

void TestMatrixRain::colours()
{
    QFETCH(int, brightness);
    QFETCH(QColor, head);
    QFETCH(QColor, dim);
    QCOMPARE(MatrixRain::headColour(brightness), head);
    QCOMPARE(MatrixRain::dimColour(brightness), dim);
}

void TestMatrixRain::trailEraseRow_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("matrixHeight");
    QTest::addColumn<int>("expected");
    QTest::newRow("exactly 40 rows down") << 40 << 30 << 0;
    QTest::newRow("below 40") << 45 << 30 << 5;
    QTest::newRow("one short wraps to the last row") << 39 << 30 << 30;
    QTest::newRow("top row, tall grid") << 0 << 50 << 11;
    QTest::newRow("top row wraps several times") << 0 << 10 << 4;
    QTest::newRow("one-row grid") << 1 << 0 << 0;
}

void TestMatrixRain::trailEraseRow()
{
    QFETCH(int, row);
    QFETCH(int, matrixHeight);
    QFETCH(int, expected);
    QCOMPARE(MatrixRain::trailEraseRow(row, matrixHeight), expected);
}

void TestMatrixRain::seeding_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("drops");
    QTest::newRow("about window") << 446 << 374 << 55 << 31 << 110;
    QTest::newRow("about window at 200 %") << 892 << 748 << 111 << 62 << 222;
    QTest::newRow("narrower than a cell") << 7 << 100 << 0 << 8 << 0;
    QTest::newRow("lower than a cell") << 80 << 11 << 10 << 0 << 20;
    QTest::newRow("wide enough to hit the table's end") << 24000 << 120 << 3000 << 10 << MaxRainDrops;
}

void TestMatrixRain::seeding()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(int, drops);
    RecordingCanvas canvas;
    MatrixRain rain(canvas);
    rain.StartRain(width, height);
    QCOMPARE(rain.charWidth(), 8);
    QCOMPARE(rain.charHeight(), 12);
    QCOMPARE(rain.matrixWidth(), columns);
    QCOMPARE(rain.matrixHeight(), rows);
    QCOMPARE(rain.dropCount(), drops);
    QCOMPARE(rain.RainFrame(), 0);
    QCOMPARE(canvas.calls.size(), 1);
    QCOMPARE(canvas.calls.first().kind, CanvasCall::Clear);
    QCOMPARE(canvas.calls.first().rect, QRect(0, 0, width, height));

    QList<int> perColumn(columns, 0);
    for (int i = 0; i < rain.dropCount(); ++i) {
        const TRainDrop &drop = rain.drop(i);
        QCOMPARE(drop.column, i % columns);
        ++perColumn[drop.column];
        QVERIFY(drop.row >= 0 && (drop.row < rows || (rows == 0 && drop.row == 0)));
        QVERIFY(drop.stepTicks >= 1 && drop.stepTicks <= 3);
        QVERIFY(drop.brightness >= 0 && drop.brightness <= 99);
    }
    if (drops == 2 * columns) {
        for (int count : perColumn)
            QCOMPARE(count, 2);
    }
}

void TestMatrixRain::seedingAsksRowThenSpeedThenBrightness()
{
    RecordingCanvas canvas;
    ScriptedRandom random;
    random.answers = {7, 2, 42, 3, 0, 99};
    MatrixRain rain(canvas, random.source());
    rain.StartRain(8, 120); // one column, ten rows: two drops
    QCOMPARE(rain.dropCount(), 2);
    QCOMPARE(random.asked, (QList<int>{10, 3, 100, 10, 3, 100}));
    QCOMPARE(rain.drop(0).row, 7);
    QCOMPARE(rain.drop(0).stepTicks, 3);
    QCOMPARE(rain.drop(0).brightness, 42);
    QCOMPARE(rain.drop(1).row, 3);
    QCOMPARE(rain.drop(1).stepTicks, 1);
    QCOMPARE(rain.drop(1).brightness, 99);
}

void TestMatrixRain::stepMovesByStepTicks_data()
{
    QTest::addColumn<int>("stepTicks");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("rowsMoved");
    QTest::newRow("fast, 4 steps") << 1 << 4 << 4;
    QTest::newRow("medium, 5 steps") << 2 << 5 << 3;
    QTest::newRow("slow, 6 steps") << 3 << 6 << 2;
    QTest::newRow("slow, 1 step moves at frame 0") << 3 << 1 << 1;
}

void TestMatrixRain::stepMovesByStepTicks()
{
    QFETCH(int, stepTicks);
    QFETCH(int, steps);
    QFETCH(int, rowsMoved);
    RecordingCanvas canvas;
    MatrixRain rain(canvas, always(false));
    rain.StartRain(8, 600); // one column, fifty rows
    for (int i = 0; i < rain.dropCount(); ++i) {
        rain.drop(i).row = 5;
        rain.drop(i).stepTicks = stepTicks;
    }
    for (int i = 0; i < steps; ++i)
        rain.StepRain();
    QCOMPARE(rain.RainFrame(), steps);
    for (int i = 0; i < rain.dropCount(); ++i)
        QCOMPARE(rain.drop(i).row, 5 + rowsMoved);
}

void TestMatrixRain::dropAtTheBottomStartsAgain()
{
    RecordingCanvas canvas;
    ScriptedRandom random;
    MatrixRain rain(canvas, random.source());
    rain.StartRain(8, 120); // one column, ten rows
    TRainDrop &first = rain.drop(0);
    first = {0, 11, 1, 50};        // matrixHeight + 1: moves past the bottom
    rain.drop(1) = {0, 10, 1, 60}; // moves onto the last row that keeps it
    random.asked.clear();
    random.answers = {0, 2, 77, 1};
    rain.StepRain();
    QCOMPARE(first.row, 0);
    QCOMPARE(first.column, 0);
    QCOMPARE(first.stepTicks, 3);
    QCOMPARE(first.brightness, 77);
    QCOMPARE(rain.drop(1).row, 11);
    QCOMPARE(rain.drop(1).brightness, 60);
    // Character, new speed and new brightness for the first drop, then the second's character.
    QCOMPARE(random.asked, (QList<int>{3, 3, 100, 3}));
}

void TestMatrixRain::drawDropChar_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("eraseRow");
    QTest::addColumn<bool>("dimCell");
    QTest::newRow("top row has no cell above") << 2 << 0 << 99 << 24 << false;
    QTest::newRow("middle") << 5 << 12 << 50 << 4 << true;
    QTest::newRow("below the last row") << 0 << 31 << 10 << 23 << true;
}

void TestMatrixRain::drawDropChar()
{
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(int, brightness);
    QFETCH(int, eraseRow);
    QFETCH(bool, dimCell);
    RecordingCanvas canvas;
    MatrixRain rain(canvas);
    rain.StartRain(446, 374); // 55 x 31 cells
    canvas.calls.clear();
    rain.DrawDropChar({column, row, 1, brightness}, u'l');

    const int x = column * 8;
    QCOMPARE(canvas.calls.size(), dimCell ? 3 : 2);
    QCOMPARE(canvas.calls[0].kind, CanvasCall::Fill);
    QCOMPARE(canvas.calls[0].rect, QRect(x, eraseRow * 12, 8, 12));
    int next = 1;
    if (dimCell) {
        QCOMPARE(canvas.calls[1].kind, CanvasCall::Char);
        QCOMPARE(canvas.calls[1].ch, u'l');
        QCOMPARE(canvas.calls[1].rect, QRect(x, (row - 1) * 12, 8, 12));
        QCOMPARE(canvas.calls[1].colour, MatrixRain::dimColour(brightness));
        next = 2;
    }
    QCOMPARE(canvas.calls[next].kind, CanvasCall::Char);
    QCOMPARE(canvas.calls[next].ch, u'l');
    QCOMPARE(canvas.calls[next].rect, QRect(x, row * 12, 8, 12));
    QCOMPARE(canvas.calls[next].colour, MatrixRain::headColour(brightness));
}

void TestMatrixRain::onlyRainCharacters()
{
    RecordingCanvas canvas;
    MatrixRain rain(canvas);
    rain.StartRain(446, 374);
    for (int i = 0; i < 40; ++i)
        rain.StepRain();
    QString seen;
    for (const CanvasCall &call : std::as_const(canvas.calls)) {
        if (call.kind != CanvasCall::Char)
            continue;
        QVERIFY2(QStringLiteral("plx").contains(call.ch), qPrintable(QString(call.ch)));
        if (!seen.contains(call.ch))
            seen += call.ch;
    }
    QCOMPARE(seen.size(), 3);
}

void TestMatrixRain::imageShowsOnlyGreen_data()
{
    QTest::addColumn<bool>("brightest");
    QTest::addColumn<bool>("visible");
    QTest::newRow("brightness 99") << true << true;
    QTest::newRow("brightness 0") << false << false;
}

void TestMatrixRain::imageShowsOnlyGreen()
{
    QFETCH(bool, brightest);
    QFETCH(bool, visible);
    RainImage image;
    MatrixRain rain(image, always(brightest));
    rain.StartRain(446, 374);
    for (int i = 0; i < 60; ++i)
        rain.StepRain();
    image.takeDirty();
    QCOMPARE(image.image().size(), QSize(446, 374));
    bool allGreen = false;
    const int lit = nonBlackPixels(image.image(), &allGreen);
    QVERIFY(allGreen);
    QCOMPARE(lit > 0, visible);

    // The real random mix: many shades, all of them green.
    RainImage mixed;
    MatrixRain realRain(mixed);
    realRain.StartRain(446, 374);
    for (int i = 0; i < 60; ++i)
        realRain.StepRain();
    mixed.takeDirty();
    QVERIFY(nonBlackPixels(mixed.image(), &allGreen) > 0);
    QVERIFY(allGreen);
}

void TestMatrixRain::stepTouchesOnlyDropCells()
{
    RainImage image;
    MatrixRain rain(image);
    rain.StartRain(446, 374);
    for (int i = 0; i < 5; ++i)
        rain.StepRain();
    image.takeDirty();

    QRegion cells;
    for (int i = 0; i < rain.dropCount(); ++i) {
        const TRainDrop &drop = rain.drop(i);
        const int x = drop.column * 8;
        cells += QRect(x, MatrixRain::trailEraseRow(drop.row, rain.matrixHeight()) * 12, 8, 12);
        cells += QRect(x, (drop.row - 1) * 12, 8, 24);
    }
    rain.StepRain();
    const QRegion touched = image.takeDirty();
    QVERIFY(!touched.isEmpty());
    QVERIFY2(touched.subtracted(cells).isEmpty(), "a step drew outside its drops' cells");
    QVERIFY(touched.boundingRect().width() * touched.boundingRect().height() > 0);
    // Far less than a full redraw.
    qint64 area = 0;
    for (const QRect &rect : touched)
        area += qint64(rect.width()) * rect.height();
    QVERIFY(area <= qint64(rain.dropCount()) * 3 * 8 * 12);
}

void TestMatrixRain::resetClearsAndReseedsOnTheSameGrid()
{
    RainImage image;
    MatrixRain rain(image, always(true));
    rain.StartRain(446, 374);
    for (int i = 0; i < 10; ++i)
        rain.StepRain();
    bool allGreen = false;
    QVERIFY(nonBlackPixels(image.image(), &allGreen) > 0);

    rain.ResetRain();
    QCOMPARE(nonBlackPixels(image.image(), &allGreen), 0);
    QCOMPARE(rain.matrixWidth(), 55);
    QCOMPARE(rain.matrixHeight(), 31);
    QCOMPARE(rain.dropCount(), 110);
    // The frame count goes on; only StartRain begins it anew.
    QCOMPARE(rain.RainFrame(), 10);
    QCOMPARE(rain.drop(0).row, 30);
}

void TestMatrixRain::guard_data()
{
    QTest::addColumn<quint32>("closedAt");
    QTest::addColumn<quint32>("clickAt");
    QTest::addColumn<bool>("sameButton");
    QTest::addColumn<bool>("drops");
    QTest::newRow("right after closing") << 1000U << 1050U << true << false;
    QTest::newRow("99 ms") << 1000U << 1099U << true << false;
    QTest::newRow("100 ms") << 1000U << 1100U << true << true;
    QTest::newRow("across the counter's wrap") << 0xFFFFFFF0U << 0x20U << true << false;
    QTest::newRow("long after") << 1000U << 60000U << true << true;
    QTest::newRow("another button") << 1000U << 1010U << false << true;
}

void TestMatrixRain::guard()
{
    QFETCH(quint32, closedAt);
    QFETCH(quint32, clickAt);
    QFETCH(bool, sameButton);
    QFETCH(bool, drops);
    quint32 now = closedAt;
    DropDownGuard guard([&now] { return now; });
    QObject button;
    QObject otherButton;
    QObject menu;
    QVERIFY(guard.mayDropDown(&button, &menu));
    guard.menuClosed(&button, &menu);
    now = clickAt;
    QObject *clicked = sameButton ? &button : &otherButton;
    QCOMPARE(guard.mayDropDown(clicked, &menu), drops);
    // The click after a swallowed one opens the menu again, however soon it comes.
    QVERIFY(guard.mayDropDown(clicked, &menu));
}

void TestMatrixRain::guardForgetsDestroyedButton()
{
    quint32 now = 500;
    DropDownGuard guard([&now] { return now; });
    QObject menu;
    auto *button = new QObject;
    guard.menuClosed(button, &menu);
    delete button;
    now = 510;
    QVERIFY(guard.mayDropDown(nullptr, &menu));
}

QTEST_MAIN(TestMatrixRain)
#include "tst_matrixrain.moc"
