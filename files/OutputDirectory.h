// Where recordings and frame snapshots are written: the program's directory when it is
// writable and not an installed program's (under /usr), otherwise ~/Plotwell; a directory
// the operator names overrides both.
#pragma once

#include <string>

// The operator's choice (the viewer's --record-dir); empty restores the automatic choice.
void SetRecordDirectory(const std::string& directory);

// The directory the next file goes to, created when needed. Empty, with `reason` set, when
// no usable directory exists.
std::string ResolveRecordDirectory(std::string* reason);

// The rule behind ResolveRecordDirectory, with every input given: `chosen` when not empty,
// else `programDirectory` when writable and not under /usr, else `home`/Plotwell.
std::string ChooseRecordDirectory(const std::string& chosen, const std::string& programDirectory,
                                  const std::string& home, std::string* reason);
