// Fast drawing of many small outlined circles: the pixels QPainter sets for an aliased ellipse of
// a given pen and integer bounding-box size are rendered once and then copied to every point.
// Aliased rasterisation is invariant under whole-device-pixel shifts, so on a surface of a whole
// device pixel ratio the copies match drawEllipse. The pen must not be black, the colour the
// shapes are rendered on.
#pragma once

#include <QImage>
#include <QPen>
#include <vector>

class RingStamp {
public:
    // Box sizes up to this many logical pixels wide and high are pre-rendered.
    static constexpr int MAX_BOX = 4;

    // `ratio` is the device pixel ratio of the images stamped into, a whole number from 1 on.
    RingStamp(const QPen& pen, int ratio);

    int Ratio() const { return m_ratio; }
    // False when the box is larger than the pre-rendered sizes (or inverted); nothing is drawn then.
    bool CanStamp(int width, int height) const;
    // Sets the pen's pixels of the ellipse in the box (left, top, width, height: logical
    // pixels), clipped to the image, which must be in Format_RGB32 at the stamp's ratio.
    void Stamp(QImage& image, int left, int top, int width, int height) const;

private:
    struct Pixel {
        int dx;  // device pixels from the box's top-left corner
        int dy;
        QRgb colour;
    };
    int m_ratio;
    std::vector<Pixel> m_shapes[MAX_BOX + 1][MAX_BOX + 1];
};
