#include "view/DepthWindow.h"

#include <algorithm>
#include <cmath>

void DepthWindow::ResetIfChanged(int markerX, int markerY, int n)
{
    if (markerX == m_key[0] && markerY == m_key[1] && n == m_key[2])
        return;
    m_key[0] = markerX;
    m_key[1] = markerY;
    m_key[2] = n;
    // The key keeps the N asked for, so an out-of-range value does not reset at every readout.
    m_n = std::clamp(n, 1, CAPACITY);
    m_sum = 0;
    m_writeIndex = 0;
    m_filled = 0;
    std::fill_n(m_ring, m_n, int16_t{0});
}

void DepthWindow::Add(int16_t depthMm)
{
    m_sum += depthMm - m_ring[m_writeIndex];
    m_ring[m_writeIndex] = depthMm;
    if (++m_writeIndex == m_n)
        m_writeIndex = 0;
    m_filled = std::min(m_filled + 1, m_n);
}

float DepthWindow::MeanMm() const { return static_cast<float>(m_sum) / static_cast<float>(m_n); }

float DepthWindow::SpreadMm() const
{
    const float mean = MeanMm();
    float squares = 0.0f;
    for (int j = 0; j < m_n; ++j) {
        const float deviation = m_ring[j] - mean;
        squares += deviation * deviation;
    }
    return std::sqrt(squares / static_cast<float>(m_n));
}
