#include "view/RingStamp.h"

#include <QPainter>
#include <algorithm>

namespace {

// Room around the box for the pen's half width, in logical pixels.
constexpr int MARGIN = 8;
constexpr QRgb UNTOUCHED = 0xff000000u;

}  // namespace

RingStamp::RingStamp(const QPen& pen, int ratio) : m_ratio(std::max(ratio, 1))
{
    for (int w = 0; w <= MAX_BOX; ++w) {
        for (int h = 0; h <= MAX_BOX; ++h) {
            QImage scratch((w + 2 * MARGIN) * m_ratio, (h + 2 * MARGIN) * m_ratio, QImage::Format_RGB32);
            scratch.setDevicePixelRatio(m_ratio);
            scratch.fill(UNTOUCHED);
            {
                QPainter painter(&scratch);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(QRectF(MARGIN, MARGIN, w, h));
            }
            const int corner = MARGIN * m_ratio;
            for (int y = 0; y < scratch.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
                for (int x = 0; x < scratch.width(); ++x) {
                    if (line[x] != UNTOUCHED)
                        m_shapes[w][h].push_back({x - corner, y - corner, line[x]});
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
    const int reach = (MARGIN + MAX_BOX) * m_ratio;
    const int64_t cornerX = int64_t{left} * m_ratio;
    const int64_t cornerY = int64_t{top} * m_ratio;
    if (cornerX > imageWidth + reach || cornerY > imageHeight + reach || cornerX < -reach || cornerY < -reach)
        return;
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (const Pixel& pixel : m_shapes[width][height]) {
        const int x = static_cast<int>(cornerX) + pixel.dx;
        const int y = static_cast<int>(cornerY) + pixel.dy;
        if (x >= 0 && y >= 0 && x < imageWidth && y < imageHeight)
            reinterpret_cast<QRgb*>(bits + y * stride)[x] = pixel.colour;
    }
}
