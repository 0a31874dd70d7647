// How the scans of a subscribed topic arrive, for the link line: counted on the subscriber's
// thread, read once a second on the UI thread as scans per second, or, once the publisher has
// gone quiet, for how long no scan came.
#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "ui/LayoutTexts.h"

class SubscriptionHealth {
public:
    using Clock = std::chrono::steady_clock;

    // Subscriber thread: one more scan taken in.
    void Arrived() { m_scans.fetch_add(1, std::memory_order_relaxed); }

    // UI thread: the subscription starts, and the first rate counts from then.
    void Start(Clock::time_point now) { m_countedAt = now; }
    // UI thread, about once a second after Start. `points` is the number of returns the last
    // scan drew.
    QString Line(Clock::time_point now, int points, DialogLanguage language);

private:
    std::atomic<int64_t> m_scans{0};
    // UI thread: the reading that last saw new scans, and the count then.
    int64_t m_countedScans = 0;
    Clock::time_point m_countedAt{};
    QString m_rateText;
};
