// The view as an output of the stage, served on the UI thread: each completed revolution's point
// list becomes the list the view draws (g_PointList, under its lock), and the dialog shows it.
// Only the UI thread touches it.
#pragma once

#include <functional>

#include "run/RevolutionOutput.h"

class ViewOutput : public RevolutionOutput {
public:
    // `show` draws g_PointList, whose angles run in the given direction.
    explicit ViewOutput(std::function<void(SweepDirection)> show);

    // From the start of a run on, its revolutions are shown.
    void RunStarted(const RunInfo& run) override;
    void Take(const RevolutionValue& revolution) override;
    // The port was closed: revolutions still on their way are not shown.
    void Hide() { m_showing = false; }

private:
    std::function<void(SweepDirection)> m_show;
    bool m_showing = false;
};
