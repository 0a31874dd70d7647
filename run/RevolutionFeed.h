// The run's side of the output stage, on the thread that runs the parsers: it collects every
// byte the port reads (as the port's byte tap) and, at each completed revolution, fills a value
// with the samples as parsed, the processed point list, those bytes, the times and the link's
// health, and hands it out.
#pragma once

#include "acquisition/ByteTap.h"
#include "run/OutputStage.h"
#include "run/Pipeline.h"

class CSerialPort;

class RevolutionFeed : public ByteTap {
public:
    // Taps `port` until destroyed; begins a run of the model and protocol in the shared state.
    RevolutionFeed(OutputStage& stage, CSerialPort& port);
    // Hands out the bytes read since the last revolution and ends the run.
    ~RevolutionFeed() override;
    RevolutionFeed(const RevolutionFeed&) = delete;
    RevolutionFeed& operator=(const RevolutionFeed&) = delete;

    // The revolution just completed in g_ScanFrame: processed with `settings` (see
    // ProcessFrame) into a value that goes to every output.
    void Complete(const ProcessingSettings& settings);

    void BytesRead(const uint8_t* bytes, int32_t count, bool replayed) override;

private:
    // The value being filled, taken from the pool when its first byte or revolution comes.
    RevolutionValue* Pending();
    void HandOutPending(bool complete);

    OutputStage& m_stage;
    CSerialPort& m_port;
    RevolutionRef m_pending;
    bool m_read = false;  // a read came since the last hand-out (it stamps the first-byte times)
};
