#include "matrixrain.h"

#include <QRandomGenerator>

RainCanvas::~RainCanvas() = default;

int defaultRainRandom(int n)
{
    return n <= 0 ? 0 : static_cast<int>(QRandomGenerator::global()->bounded(n));
}

MatrixRain::MatrixRain(RainCanvas &canvas, RainRandom random) : m_canvas(canvas), m_random(std::move(random))
{}

void MatrixRain::StartRain(int width, int height)
{
    m_rainFrame = 0;
    m_bitmapWidth = width;
    m_bitmapHeight = height;
    ResetRain();
}

void MatrixRain::ResetRain()
{
    m_canvas.clear(m_bitmapWidth, m_bitmapHeight);
    m_charWidth = 8;
    m_charHeight = 12;
    m_matrixWidth = m_bitmapWidth / m_charWidth;
    m_matrixHeight = m_bitmapHeight / m_charHeight;
    SeedDrops();
}

void MatrixRain::SeedDrops()
{
    m_dropCount = 0;
    for (int i = 0; i < 2 * m_matrixWidth; ++i)
        AddDrop();
}

void MatrixRain::AddDrop()
{
    // Without a column there is nowhere to put a drop.
    if (m_dropCount >= MaxRainDrops || m_matrixWidth <= 0)
        return;
    TRainDrop &drop = RainDrops[m_dropCount];
    drop.column = m_dropCount % m_matrixWidth;
    drop.row = m_random(m_matrixHeight);
    drop.stepTicks = m_random(3) + 1;
    drop.brightness = m_random(100);
    ++m_dropCount;
}

void MatrixRain::StepRain()
{
    for (int i = 0; i < m_dropCount; ++i) {
        TRainDrop &drop = RainDrops[i];
        const QChar ch = RainChars.at(m_random(int(RainChars.size())));
        DrawDropChar(drop, ch);
        if (m_rainFrame % drop.stepTicks == 0) {
            ++drop.row;
            if (drop.row > m_matrixHeight + 1) {
                drop.row = 0;
                drop.stepTicks = m_random(3) + 1;
                drop.brightness = m_random(100);
            }
        }
    }
    // Wraps like the 32-bit counter it is rather than overflowing.
    m_rainFrame = static_cast<qint32>(static_cast<quint32>(m_rainFrame) + 1U);
}

void MatrixRain::DrawDropChar(const TRainDrop &drop, QChar ch)
{
    const int x = drop.column * m_charWidth;
    const int t = trailEraseRow(drop.row, m_matrixHeight);
    m_canvas.fillCell(QRect(x, t * m_charHeight, m_charWidth, m_charHeight));
    if (drop.row > 0)
        m_canvas.drawChar(ch, QRect(x, (drop.row - 1) * m_charHeight, m_charWidth, m_charHeight),
                          dimColour(drop.brightness));
    m_canvas.drawChar(ch, QRect(x, drop.row * m_charHeight, m_charWidth, m_charHeight),
                      headColour(drop.brightness));
}

namespace {

QColor greenShade(int b)
{
    return QColor(b * 150 / 255, b, b * 100 / 255);
}

} // namespace

QColor MatrixRain::headColour(int brightness)
{
    return greenShade(brightness * 255 / 100);
}

QColor MatrixRain::dimColour(int brightness)
{
    return greenShade(brightness * 255 / 100 / 3);
}

int MatrixRain::trailEraseRow(int row, int matrixHeight)
{
    int t = row - 40;
    while (t < 0)
        t += matrixHeight + 1;
    return t;
}
