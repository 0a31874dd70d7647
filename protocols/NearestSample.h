// Fixed-geometry protocols send distances at angles of their own: each takes the revolution's
// sample nearest to the angle it sends.
#pragma once

#include "protocols/Revolution.h"

// Distance of the sample nearest to `degrees` around the circle; the samples must be in
// ascending angle order, as a revolution is. 0 for an empty revolution.
int16_t NearestDistance(const Revolution& revolution, float degrees);
