// One consumer of finished revolutions (the view, the recorder, a publisher, a file writer...).
// The output stage calls it on the output's own thread, or on the thread that serves it (the UI
// thread for the view), never on the thread that reads the port, and always in this order: a
// run's start, its revolutions, its end.
#pragma once

#include "run/RevolutionValue.h"

class RevolutionOutput {
public:
    virtual ~RevolutionOutput() = default;

    // A run begins; the model, and with it the protocol, may differ from the last run's.
    virtual void RunStarted(const RunInfo& /*run*/) {}
    // The next value of the run. It stays valid only for the call: keep what is needed, not it.
    // Values whose `complete` is false carry bytes alone.
    virtual void Take(const RevolutionValue& revolution) = 0;
    // The run ended (the port closed, the file ended, the stage stops); nothing follows until
    // the next RunStarted.
    virtual void RunEnded() {}
};
