#pragma once

#include "matrixrain.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <memory>

// The rain's off-screen surface: an image in device pixels that remembers which areas were
// touched since the window last took them, so that the window repaints only those.
class RainImage final : public RainCanvas
{
public:
    RainImage();
    ~RainImage() override;
    RainImage(const RainImage &) = delete;
    RainImage &operator=(const RainImage &) = delete;

    void clear(int width, int height) override;
    void fillCell(const QRect &cell) override;
    void drawChar(QChar ch, const QRect &cell, QColor colour) override;

    // Finishes the pending drawing and hands over the touched area (device pixels).
    QRegion takeDirty();
    const QImage &image() const { return m_image; }
    const QFont &font() const { return m_font; }

private:
    QPainter &painter();
    void finish();

    QImage m_image;
    QFont m_font;
    int m_ascent = 0;
    std::unique_ptr<QPainter> m_painter;
    QRegion m_dirty;
};
