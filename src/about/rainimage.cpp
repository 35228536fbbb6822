#include "rainimage.h"
#include "desktop/designfont.h"

#include <QFontMetrics>

RainImage::RainImage()
{
    // A font whose whole cell (ascent plus descent) is 12 pixels, in the window's face.
    m_font = designFont(12);
    m_font.setStyleStrategy(QFont::NoSubpixelAntialias);
    for (int pixels = 12; pixels > 4; --pixels) {
        m_font.setPixelSize(pixels);
        if (QFontMetrics(m_font).height() <= 12)
            break;
    }
    m_ascent = QFontMetrics(m_font).ascent();
}

RainImage::~RainImage() = default;

QPainter &RainImage::painter()
{
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>(&m_image);
        m_painter->setFont(m_font);
    }
    return *m_painter;
}

void RainImage::finish()
{
    m_painter.reset();
}

void RainImage::clear(int width, int height)
{
    finish();
    if (m_image.size() != QSize(width, height))
        m_image = width > 0 && height > 0 ? QImage(width, height, QImage::Format_RGB32) : QImage();
    m_image.fill(Qt::black);
    m_dirty += m_image.rect();
}

void RainImage::fillCell(const QRect &cell)
{
    if (m_image.isNull())
        return;
    painter().fillRect(cell, Qt::black);
    m_dirty += cell;
}

void RainImage::drawChar(QChar ch, const QRect &cell, QColor colour)
{
    if (m_image.isNull())
        return;
    QPainter &p = painter();
    p.fillRect(cell, Qt::black);
    p.setPen(colour);
    // Clipped to the cell, so that a step never draws beyond the cells it names.
    p.setClipRect(cell);
    p.drawText(QPoint(cell.x(), cell.y() + m_ascent), QString(ch));
    p.setClipping(false);
    m_dirty += cell;
}

QRegion RainImage::takeDirty()
{
    finish();
    return std::exchange(m_dirty, QRegion());
}
