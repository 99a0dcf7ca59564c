#include "tarnwick/platform/burstcoalescer.h"

#include <algorithm>

namespace tarnwick {

BurstCoalescer::BurstCoalescer(QObject* parent, std::chrono::milliseconds quiet, std::chrono::milliseconds longest)
    : QObject(parent)
    , m_quiet(quiet)
    , m_longest(longest)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &BurstCoalescer::settled);
}

void BurstCoalescer::poke()
{
    if (!m_timer.isActive()) {
        m_burst.start();
        m_timer.start(m_quiet);
        return;
    }
    // Within the burst: wait for the pause, but never past the longest delay.
    const auto left = m_longest - std::chrono::milliseconds(m_burst.elapsed());
    m_timer.start(std::clamp(left, std::chrono::milliseconds(0), m_quiet));
}

} // namespace tarnwick
