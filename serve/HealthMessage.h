// The /plotwell/health channel: the link line's figures and every output's drops as one JSON
// message, with the JSON schema that Foxglove's panels read its fields by.
#pragma once

#include <string>
#include <vector>

#include "acquisition/LinkHealth.h"
#include "foxglove/FoxgloveServer.h"
#include "run/OutputStage.h"

// What one health message holds: two readings of the link a second or so apart, the outputs'
// drops since they were attached, and the server's own counters.
struct HealthSnapshot {
    LinkHealthReading reading;    // the later reading
    LinkHealthFigures figures;    // between the two readings
    std::vector<OutputDrops> outputs;
    ServerCounters server;
};

// The JSON schema of HealthMessageJson's messages.
const std::string& HealthMessageSchema();
// One message, compact JSON.
std::string HealthMessageJson(const HealthSnapshot& snapshot);
