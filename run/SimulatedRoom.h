// The fixed scene the simulated scanner looks at: a room with walls, two pillars, a cabinet and a
// partition, seen from the scanner at the origin. Millimetres; angles in degrees counter-clockwise
// from the +x axis.
#pragma once

// Distance to the first surface along the ray at `angleDegrees`, or a negative value when the
// ray leaves through an opening and hits nothing.
double RoomDistance(double angleDegrees);
