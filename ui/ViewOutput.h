// The view as an output of the stage, served on the UI thread: each completed revolution's point
// list becomes the list the view draws (g_PointList, under its lock), and the dialog shows it.
// Only the UI thread touches it.
#pragma once

#include <cstdint>
#include <functional>

#include "run/RevolutionOutput.h"

class ViewOutput : public RevolutionOutput {
public:
    // `show` draws g_PointList, whose angles run in the given direction.
    explicit ViewOutput(std::function<void(SweepDirection)> show);

    void Take(const RevolutionValue& revolution) override;
    // The port was closed after run `run`: revolutions of it and earlier runs that are still on
    // their way are not shown.
    void HideRunsUpTo(uint64_t run) { m_hiddenUpTo = run; }

private:
    std::function<void(SweepDirection)> m_show;
    uint64_t m_hiddenUpTo = 0;
};
