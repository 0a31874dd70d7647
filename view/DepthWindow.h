// The view's running depth statistics: the depths of the last N marker readouts, their mean and
// their spread (population standard deviation). Plain logic, no drawing.
#pragma once

#include <cstdint>

class DepthWindow {
public:
    static constexpr int CAPACITY = 500;  // the dialog keeps N within 1..500

    // Empties the window when the marker or N differs from those of the last reset.
    void ResetIfChanged(int markerX, int markerY, int n);
    // Adds one readout in millimetres, overwriting the oldest once N are held.
    void Add(int16_t depthMm);

    int Size() const { return m_n; }
    bool Full() const { return m_filled >= m_n; }
    float MeanMm() const;
    // Root-mean-square deviation from the mean over the N held depths, in millimetres.
    float SpreadMm() const;

private:
    int16_t m_ring[CAPACITY] = {};
    int32_t m_writeIndex = 0;
    int32_t m_filled = 0;
    int32_t m_sum = 0;
    int32_t m_n = 1;  // the N in use, within 1..CAPACITY
    int32_t m_key[3] = {};
};
