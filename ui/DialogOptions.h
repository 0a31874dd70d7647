// How the application sets up the main dialog: its layout language, where ports are looked
// for, the ports offered before the enumerated ones (the demo scanner, --port), ROS 2, the
// Foxglove server, and outputs that the caller adds to the dialog's own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/PortEnumeration.h"
#include "foxglove/ListenAddress.h"
#include "ros2/RosNames.h"
#include "run/OutputQueue.h"
#include "ui/LayoutTexts.h"

// ROS 2 over DDS: publish every revolution, or draw the scans of a topic instead of a port.
struct Ros2Options {
    std::string publishTopic;    // not empty: publish revolutions on this topic
    std::string subscribeTopic;  // not empty: draw this topic's scans; no port is opened then
    uint32_t domain = 0;
    std::string nodeName = DEFAULT_NODE_NAME;  // in the ROS 2 graph
};

struct DialogOptions {
    std::string unusableRecordDir;  // the chosen record directory when it cannot be used
    std::string recordDirProblem;   // and why
    DialogLanguage language = DialogLanguage::English;
    PortScanRoots roots;
    std::vector<std::string> extraPorts;  // listed first, in this order
    Ros2Options ros2;
    std::optional<ListenAddress> serve;  // --serve: a Foxglove WebSocket server of the revolutions
    bool recordMcap = false;     // RECORD_DATA starts with MCAP chosen (--record-format mcap)
    double detectSeconds = 1.5;  // Detect listens this long at each baud rate
    // Each also gets every revolution, on a thread of its own; it must outlive the dialog.
    struct AddedOutput {
        RevolutionOutput* output;
        OutputOptions options;
    };
    std::vector<AddedOutput> addedOutputs;
};
