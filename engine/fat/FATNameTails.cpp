#include "engine/fat/FATNameTails.h"

void CFATNameTails::Keep(engine::ByteView tail) {
    if (m_tails.size() >= kMaxTails) return;
    if (std::optional<fat::LongNameSeam> const seam = fat::OpenLongName(tail))
        m_tails.emplace(KeyOf(*seam), std::vector<std::uint8_t>(tail.Data(), tail.Data() + tail.Size()));
}

std::vector<std::uint8_t> CFATNameTails::TakeFor(engine::ByteView bytes) {
    std::optional<fat::LongNameSeam> const seam = fat::LongNameLead(bytes);
    if (!seam) return {};
    auto const [first, end] = m_tails.equal_range(KeyOf(*seam));
    // Two names' halves alike in checksum and piece: neither is sure to be this one's.
    if (first == end || std::next(first) != end) return {};
    std::vector<std::uint8_t> tail = std::move(first->second);
    m_tails.erase(first);
    return tail;
}
