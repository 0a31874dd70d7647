// The monitor's lines on their way out. The receive thread never waits for the output: it hands
// each revolution to the output stage, and the monitor's output writes its line where it can wait
// for room and for a stop signal at once.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "acquisition/LinkHealth.h"
#include "run/RevolutionOutput.h"

// Writes lines to the monitor's output.
class LineWriter {
public:
    enum class Result { Written, Stopped, ReaderGone, Failed };

    // `stopFd` readable means: stop waiting for room.
    LineWriter(std::ostream& out, int stopFd);

    Result Write(const char* text, size_t length);
    // After Failed: the system's reason.
    const std::string& Failure() const { return m_failure; }

private:
    Result WriteDescriptor(const char* text, size_t length);

    std::ostream& m_out;
    int m_stopFd;
    int m_fd = -1;  // the process's standard output, written directly; -1: m_out as it is
    std::string m_failure;
};

// The monitor as an output of the stage: one line per revolution, formatted and written on the
// output's own thread, so that a reader who takes them slowly holds up nothing but this output,
// which then loses its oldest revolutions (the stage counts them).
class MonitorLines : public RevolutionOutput {
public:
    // Ends after the line of revolution `frames` (0: never by itself).
    MonitorLines(LineWriter& writer, int64_t frames);
    ~MonitorLines() override;
    MonitorLines(const MonitorLines&) = delete;
    MonitorLines& operator=(const MonitorLines&) = delete;

    void Take(const RevolutionValue& revolution) override;
    // No line follows (the frames are in, the port is gone); any thread.
    void Finish();

    // Readable once finished.
    int DoneFd() const { return m_doneFd; }
    bool Finished() const { return m_finished.load(); }
    // After the stage stopped: how the last write went, lines written, and the first line's
    // revolution's completion.
    LineWriter::Result WriteResult() const { return m_result; }
    int64_t Printed() const { return m_printed; }
    int64_t FirstRevolutionNs() const { return m_firstNs; }

private:
    LineWriter& m_writer;
    const int64_t m_frames;
    LinkHealthReading m_previous;
    int64_t m_printed = 0;
    int64_t m_firstNs = 0;
    LineWriter::Result m_result = LineWriter::Result::Written;
    std::atomic<bool> m_finished{false};
    int m_doneFd = -1;
};
