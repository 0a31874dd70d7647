#include "ui/SubscriptionHealth.h"

#include <algorithm>

#include "ui/LinkTexts.h"

namespace {
// A publisher slower than one scan a second keeps its rate on the line between its scans; a
// quiet time longer than this is said.
constexpr std::chrono::seconds QUIET_AFTER{2};
}  // namespace

// The rate counts from the last reading that saw scans, so that a publisher of one scan every
// few seconds is not shown as one scan a second.
QString SubscriptionHealth::Line(Clock::time_point now, int points, DialogLanguage language)
{
    const int64_t scans = m_scans.load(std::memory_order_relaxed);
    const auto since = now - m_countedAt;
    if (scans > m_countedScans) {
        const double seconds = std::max(std::chrono::duration<double>(since).count(), 0.001);
        m_rateText = TopicRateText(static_cast<double>(scans - m_countedScans) / seconds, points, language);
        m_countedScans = scans;
        m_countedAt = now;
        return m_rateText;
    }
    if (since < QUIET_AFTER && !m_rateText.isEmpty())
        return m_rateText;
    const auto quietSeconds = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    return TopicQuietText(scans > 0, static_cast<int>(quietSeconds), language);
}
