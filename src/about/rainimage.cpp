#include "rainimage.h"

#include <QFontMetrics>

RainImage::RainImage()
{
    // A font whose whole cell (ascent plus descent) is 12 pixels, in the window's face.
    m_font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans")});
    m_font.setStyleStrategy(QFont::NoSubpixelAntialias);
    for (int pixels = 12; pixels > 4; --pixels) {
        m_font.setPixelSize(pixels);
        if (QFontMetrics(m_font).height() <= 12)
            break;
    }
    const QFontMetrics metrics(m_font);
    m_ascent = metrics.ascent();
    m_cellHeight = metrics.height();
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

void RainImage::drawChar(QChar ch, QPoint topLeft, QColor colour)
{
    if (m_image.isNull())
        return;
    QPainter &p = painter();
    const QFontMetrics metrics(m_font);
    const QString text(ch);
    // The character's own cell gets the black background, as an opaque text output does.
    const QRect background(topLeft, QSize(metrics.horizontalAdvance(text), m_cellHeight));
    p.fillRect(background, Qt::black);
    p.setPen(colour);
    const QPoint baseline(topLeft.x(), topLeft.y() + m_ascent);
    p.drawText(baseline, text);
    m_dirty += background.united(metrics.boundingRect(text).translated(baseline));
}

QRegion RainImage::takeDirty()
{
    finish();
    return std::exchange(m_dirty, QRegion());
}
