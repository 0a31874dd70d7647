#include "run/OutputStage.h"

#include <system_error>
#include <utility>

namespace {
// Values held beyond the queues: the one being filled, and one in hand for good measure.
constexpr int32_t POOL_MARGIN = 2;
}  // namespace

OutputStage::OutputStage() = default;

OutputStage::~OutputStage()
{
    Stop();
}

OutputStage::OutputId OutputStage::Attach(RevolutionOutput& output, OutputOptions options)
{
    m_queues.push_back(std::make_unique<OutputQueue>(output, std::move(options)));
    return static_cast<OutputId>(m_queues.size() - 1);
}

// Each output holds at most its bound in its queue and one it is taking.
bool OutputStage::Start()
{
    int32_t size = POOL_MARGIN;
    for (const auto& queue : m_queues)
        size += queue->Options().queueBound + 1;
    m_pool = std::make_unique<RevolutionPool>(size);
    m_started = true;
    for (const auto& queue : m_queues) {
        if (!queue->OwnThread())
            continue;
        try {
            m_threads.emplace_back([q = queue.get()] { q->ServeUntilClosed(); });
        } catch (const std::system_error&) {
            Stop();
            return false;
        }
    }
    return true;
}

void OutputStage::Stop()
{
    if (!m_started)
        return;
    EndRun();
    for (const auto& queue : m_queues)
        queue->Close();
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
    for (const auto& queue : m_queues) {
        if (!queue->OwnThread())
            queue->EndOpenRun();
    }
    m_started = false;
}

void OutputStage::Drain()
{
    for (const auto& queue : m_queues) {
        if (queue->OwnThread())
            queue->Drain();
    }
}

void OutputStage::Drain(OutputId output)
{
    m_queues[static_cast<size_t>(output)]->Drain();
}

void OutputStage::BeginRun(RunInfo run)
{
    EndRun();
    run.run = ++m_runs;
    m_run = run;
    m_runOpen = true;
    for (const auto& queue : m_queues)
        queue->PutRunStart(m_run);
}

RevolutionRef OutputStage::NewValue()
{
    return m_pool ? m_pool->Take() : RevolutionRef{};
}

void OutputStage::HandOut(RevolutionRef value)
{
    if (!value)
        return;
    value.Fill().sequence = ++m_sequence;
    for (const auto& queue : m_queues)
        queue->PutRevolution(value);
}

void OutputStage::EndRun()
{
    if (!m_runOpen)
        return;
    m_runOpen = false;
    for (const auto& queue : m_queues)
        queue->PutRunEnd();
}

void OutputStage::Serve(OutputId output)
{
    m_queues[static_cast<size_t>(output)]->Serve();
}

int64_t OutputStage::Dropped(OutputId output) const
{
    return m_queues[static_cast<size_t>(output)]->Dropped();
}

std::vector<OutputDrops> OutputStage::Drops() const
{
    std::vector<OutputDrops> drops;
    for (const auto& queue : m_queues)
        drops.push_back({queue->Options().name, queue->Dropped()});
    return drops;
}
