// How the application sets up the main dialog: its layout language, where ports are looked
// for, and the ports offered before the enumerated ones (the demo scanner, --port).
#pragma once

#include <string>
#include <vector>

#include "acquisition/PortEnumeration.h"
#include "ui/LayoutTexts.h"

struct DialogOptions {
    DialogLanguage language = DialogLanguage::English;
    PortScanRoots roots;
    std::vector<std::string> extraPorts;  // listed first, in this order
};
