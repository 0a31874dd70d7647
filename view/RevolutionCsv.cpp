#include "view/RevolutionCsv.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "view/MarkerReadout.h"

bool WriteRevolutionCsv(std::FILE* file, const PointList& list, SweepDirection direction)
{
    if (std::fputs("index,angle_deg,distance_mm,x_m,y_m\n", file) < 0)
        return false;
    const int count = std::min(list.count, SCAN_CAPACITY);
    for (int i = 0; i < count; ++i) {
        if (list.distance[i] == 0)
            continue;
        const double radians = DrawnAngle(list.angle[i], direction) * std::numbers::pi / 180.0;
        const double metres = list.distance[i] / 1000.0;
        if (std::fprintf(file, "%d,%.3f,%d,%.4f,%.4f\n", i, static_cast<double>(list.angle[i]), list.distance[i],
                         metres * std::cos(radians), metres * std::sin(radians)) < 0)
            return false;
    }
    return true;
}
