#include "app/thumbview/ThumbnailCache.h"

namespace app::thumbview {

std::int64_t ThumbnailCache::BytesOf(const QPixmap& pixmap) {
    return static_cast<std::int64_t>(pixmap.width()) * pixmap.height() * std::max(pixmap.depth(), 8) / 8;
}

const ThumbnailCache::Entry* ThumbnailCache::find(IFileNode* node) {
    auto it = m_entries.find(node);
    if (it == m_entries.end()) return nullptr;
    m_uses.splice(m_uses.begin(), m_uses, it->use);
    return &it->entry;
}

void ThumbnailCache::insert(IFileNode* node, QPixmap pixmap, bool real) {
    if (auto it = m_entries.find(node); it != m_entries.end()) {
        m_bytes -= BytesOf(it->entry.pixmap);
        m_uses.erase(it->use);
        m_entries.erase(it);
    }
    const std::int64_t bytes = BytesOf(pixmap);
    if (bytes > m_cap) return;
    while (m_bytes + bytes > m_cap && !m_uses.empty()) {
        IFileNode* oldest = m_uses.back();
        m_uses.pop_back();
        m_bytes -= BytesOf(m_entries.value(oldest).entry.pixmap);
        m_entries.remove(oldest);
    }
    m_uses.push_front(node);
    m_entries.insert(node, Slot{Entry{std::move(pixmap), real}, m_uses.begin()});
    m_bytes += bytes;
    m_peak = std::max(m_peak, m_bytes);
}

void ThumbnailCache::clear() {
    m_entries.clear();
    m_uses.clear();
    m_bytes = 0;
}

}  // namespace app::thumbview
