// The built-in demo: the simulated scanner of a chosen model on a pseudo-terminal, which the
// window then opens as the operator would.
#pragma once

#include <memory>
#include <string>

#include "run/PseudoTerminalScanner.h"

class CPlotwellDlg;
struct DeviceModel;

// A streaming scanner of `model`'s protocol at its baud rate; null with the reason when the
// system gives no pseudo-terminal or no thread.
std::unique_ptr<PseudoTerminalScanner> StartDemoScanner(const DeviceModel& model, std::string* reason);

// Makes `model` the list's choice, as a click on it would.
void ChooseModel(CPlotwellDlg& dialog, const DeviceModel& model);

// Picks the demo's port and model, a range that shows the whole simulated room (the start range
// of 0-1M would show little of it), and presses OPEN.
void OpenDemo(CPlotwellDlg& dialog, const std::string& path, const DeviceModel& model);
