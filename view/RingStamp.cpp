#include "view/RingStamp.h"

#include <QPainter>

namespace {

// Room around the box for the pen's half width.
constexpr int MARGIN = 8;
constexpr QRgb UNTOUCHED = 0xff000000u;

}  // namespace

RingStamp::RingStamp(const QPen& pen)
{
    for (int w = 0; w <= MAX_BOX; ++w) {
        for (int h = 0; h <= MAX_BOX; ++h) {
            QImage scratch(w + 2 * MARGIN, h + 2 * MARGIN, QImage::Format_RGB32);
            scratch.fill(UNTOUCHED);
            {
                QPainter painter(&scratch);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(QRectF(MARGIN, MARGIN, w, h));
            }
            for (int y = 0; y < scratch.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
                for (int x = 0; x < scratch.width(); ++x) {
                    if (line[x] != UNTOUCHED)
                        m_shapes[w][h].push_back({x - MARGIN, y - MARGIN, line[x]});
                }
            }
        }
    }
}

bool RingStamp::CanStamp(int width, int height) const
{
    return width >= 0 && height >= 0 && width <= MAX_BOX && height <= MAX_BOX;
}

void RingStamp::Stamp(QImage& image, int left, int top, int width, int height) const
{
    if (!CanStamp(width, height))
        return;
    const int imageWidth = image.width();
    const int imageHeight = image.height();
    if (left > imageWidth + MARGIN || top > imageHeight + MARGIN || left < -MARGIN - width ||
        top < -MARGIN - height)
        return;
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (const Pixel& pixel : m_shapes[width][height]) {
        const int x = left + pixel.dx;
        const int y = top + pixel.dy;
        if (x >= 0 && y >= 0 && x < imageWidth && y < imageHeight)
            reinterpret_cast<QRgb*>(bits + y * stride)[x] = pixel.colour;
    }
}
