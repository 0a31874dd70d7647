// One processed revolution as a LaserScan, and a received LaserScan as a point list to draw.
//
// Angles. The scanner reports degrees from its 0 mark; scanners of protocols 1 to 3 count them
// clockwise, those of protocol 0 counter-clockwise (the viewer draws them so). A LaserScan counts
// radians counter-clockwise about z up, with 0 along x forward. The 0 mark is x forward:
//     clockwise scanner:          ROS angle = -degrees x pi / 180
//     counter-clockwise scanner:  ROS angle = +degrees x pi / 180
// so the picture a ROS 2 viewer shows is the one Plotwell draws.
//
// Order and time. The ranges follow the sweep: ranges[0] is the bin measured first, just past the
// 0 mark, and angle_increment is negative for a clockwise scanner. header.stamp is the time of
// ranges[0] and time_increment the time from one range to the next, so that stamp +
// i x time_increment is when ray i was measured (what laser_geometry assumes on a moving robot).
//
// Distances. Millimetres become metres. A bin holds the nearest return of its samples; a bin
// without one is +inf, a return nearer than range_min is -inf (too close to measure), and a
// negative distance, the raw device word with its error bit that protocols 2 and 3 pass on, is
// NaN (erroneous). Where those meet in one bin, too close beats a measurement, a measurement
// beats an error, and an error beats no return.
#pragma once

#include <cstdint>

#include "acquisition/ScanFrame.h"
#include "messages/LaserScan.h"
#include "messages/RevolutionClock.h"
#include "messages/ScanShape.h"

bool AnglesRunClockwise(int32_t protocol);

// Fills every field of `scan` but its frame id from the first list.count entries of `list` (the
// point list after the filter and the angle compensation), taken in the angle convention of
// `protocol`, cut into `shape`, with the measured time of the revolution. Allocates nothing once
// `scan` has held that many bins.
void RevolutionToLaserScan(const PointList& list, int32_t protocol, const RevolutionTime& time,
                           const ScanShape& shape, LaserScan& scan);

// The ranges of `scan` as a point list in the angle convention of `protocol`: one entry per
// range while they fit in SCAN_CAPACITY, else one per group of neighbours, holding the nearest of
// them at its own angle; a range that is not a finite value within range_min..range_max (or
// beyond what a list entry holds) becomes a distance of 0, which the view does not draw. False,
// with an empty list, for a scan whose angle_min or angle_increment is not a finite number.
[[nodiscard]] bool LaserScanToPointList(const LaserScan& scan, int32_t protocol, PointList& list);
