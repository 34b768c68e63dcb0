#include "platform/MediaEvents.h"

#include <algorithm>

namespace platform {

void MediaEventTranslator::Feed(MediaEvent const& event, Clock::time_point now) {
    if (event.action == MediaEvent::Action::Remove) {
        if (event.kernelName.empty()) return;
        // A name announced twice before it could be posted is one removal.
        if (std::find(m_detached.begin(), m_detached.end(), event.kernelName) == m_detached.end())
            m_detached.push_back(event.kernelName);
        return;
    }
    // A card reader reports new media as a change of its disk: the list may differ all the same.
    m_lastAdd = now;
}

MediaEventTranslator::Due MediaEventTranslator::TakeDue(Clock::time_point now, bool bModal) {
    Due due;
    if (bModal) return due;
    due.detached = std::move(m_detached);
    m_detached.clear();
    if (m_lastAdd && now - *m_lastAdd >= m_quiet) {
        due.attach = true;
        m_lastAdd.reset();
    }
    return due;
}

std::optional<MediaEventTranslator::Clock::duration> MediaEventTranslator::NextWake(Clock::time_point now) const {
    if (!m_detached.empty()) return Clock::duration::zero();
    if (!m_lastAdd) return std::nullopt;
    Clock::duration const waited = now - *m_lastAdd;
    return waited >= m_quiet ? Clock::duration::zero() : m_quiet - waited;
}

}  // namespace platform
