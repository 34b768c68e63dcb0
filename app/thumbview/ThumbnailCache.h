#pragma once
// The previews' thumbnails, on the GUI thread, by node: bounded in bytes (the least recently
// used go first) and emptied before the nodes they name are freed.
#include <QHash>
#include <QPixmap>

#include <cstdint>
#include <list>

#include "engine/IFileNode.h"

namespace app::thumbview {

class ThumbnailCache {
public:
    static constexpr std::int64_t kDefaultCapBytes = 64LL << 20;

    struct Entry {
        QPixmap pixmap;
        bool real = false;  // decoded from the file, not the type's icon
    };

    explicit ThumbnailCache(std::int64_t capBytes = kDefaultCapBytes) : m_cap(capBytes) {}

    // Null when the node has none; a hit counts as a use.
    const Entry* find(IFileNode* node);
    bool contains(IFileNode* node) const { return m_entries.contains(node); }
    void insert(IFileNode* node, QPixmap pixmap, bool real);
    void clear();
    std::int64_t bytes() const { return m_bytes; }
    std::int64_t peakBytes() const { return m_peak; }
    std::int64_t capBytes() const { return m_cap; }
    int size() const { return static_cast<int>(m_entries.size()); }

private:
    struct Slot {
        Entry entry;
        std::list<IFileNode*>::iterator use;
    };
    static std::int64_t BytesOf(const QPixmap& pixmap);

    std::int64_t m_cap;
    std::int64_t m_bytes = 0;
    std::int64_t m_peak = 0;
    QHash<IFileNode*, Slot> m_entries;
    std::list<IFileNode*> m_uses;  // most recent first
};

}  // namespace app::thumbview
