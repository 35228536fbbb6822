#pragma once

#include <QChar>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <functional>

// One falling column of characters.
struct TRainDrop
{
    qint32 column = 0;     // 0 to matrixWidth - 1
    qint32 row = 0;        // row of the head, 0 to matrixHeight + 1
    qint32 stepTicks = 1;  // 1, 2 or 3: moves one row on every step whose number is a multiple of it
    qint32 brightness = 0; // 0 to 99
};

inline constexpr int MaxRainDrops = 5000;

// The surface the rain draws on. Everything it fills or paints behind a character is black.
class RainCanvas
{
public:
    virtual ~RainCanvas();

    // Fills the rectangle (0, 0, width, height) with black.
    virtual void clear(int width, int height) = 0;
    // Fills one cell with black.
    virtual void fillCell(const QRect &cell) = 0;
    // Draws one character in the cell, on the cell filled with black.
    virtual void drawChar(QChar ch, const QRect &cell, QColor colour) = 0;
};

// Random(n): an integer from 0 to n - 1, and 0 when n is 0 or less.
using RainRandom = std::function<int(int)>;
int defaultRainRandom(int n);

// Green characters raining down a grid of 8 x 12 pixel cells. The grid is fixed by the size given
// to StartRain; each step draws only into the drops' own cells.
class MatrixRain final
{
public:
    explicit MatrixRain(RainCanvas &canvas, RainRandom random = defaultRainRandom);

    // Starts from frame 0 on a grid taken from the given size (in device pixels).
    void StartRain(int width, int height);
    // Clears the surface and seeds the drops anew on the grid taken by StartRain.
    void ResetRain();
    void SeedDrops();
    void AddDrop();
    void StepRain();
    void DrawDropChar(const TRainDrop &drop, QChar ch);

    static QColor headColour(int brightness);
    static QColor dimColour(int brightness);
    // The row whose cell is blanked behind a head at the given row: 40 rows up, wrapping.
    static int trailEraseRow(int row, int matrixHeight);

    int matrixWidth() const { return m_matrixWidth; }
    int matrixHeight() const { return m_matrixHeight; }
    int charWidth() const { return m_charWidth; }
    int charHeight() const { return m_charHeight; }
    int bitmapWidth() const { return m_bitmapWidth; }
    int bitmapHeight() const { return m_bitmapHeight; }
    qint32 RainFrame() const { return m_rainFrame; }
    int dropCount() const { return m_dropCount; }
    const TRainDrop &drop(int index) const { return RainDrops[index]; }
    TRainDrop &drop(int index) { return RainDrops[index]; }
    const QString &rainChars() const { return RainChars; }

private:
    RainCanvas &m_canvas;
    RainRandom m_random;
    const QString RainChars = QStringLiteral("plx");
    int m_matrixWidth = 0;
    int m_matrixHeight = 0;
    int m_charWidth = 8;
    int m_charHeight = 12;
    int m_bitmapWidth = 0;
    int m_bitmapHeight = 0;
    // A fixed table, so that seeding allocates nothing.
    std::array<TRainDrop, MaxRainDrops> RainDrops{};
    int m_dropCount = 0;
    qint32 m_rainFrame = 0;
};
