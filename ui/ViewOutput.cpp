#include "ui/ViewOutput.h"

#include <mutex>

#include "acquisition/SharedState.h"

ViewOutput::ViewOutput(std::function<void(SweepDirection)> show) : m_show(std::move(show)) {}

void ViewOutput::Take(const RevolutionValue& revolution)
{
    if (!revolution.complete || revolution.run.run <= m_hiddenUpTo)
        return;
    {
        std::lock_guard<std::mutex> lock(g_PointListMutex);
        CopySamples(revolution.points, g_PointList);
    }
    m_show(revolution.run.direction);
}
