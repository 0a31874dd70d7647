// The RECORD_DATA recording as an output: raw mode keeps the bytes every value carries (the whole
// stream read from the line, in order), value mode the samples of every completed revolution as
// the parser gave them. The store and its file are the recording's (files/Recording.h).
#pragma once

#include "run/RevolutionOutput.h"

class RecorderOutput : public RevolutionOutput {
public:
    void Take(const RevolutionValue& revolution) override;
};
