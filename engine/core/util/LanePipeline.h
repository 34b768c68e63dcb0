#pragma once
// Runs a stream of items through lanes: every lane takes every item, in order, one at a time,
// while different lanes run at once on a pool of threads and may be up to a window of items
// apart. The complete scan makes each searcher a lane and each block an item: a searcher that
// is quick on a block goes on to the next ones instead of waiting at every block's end for the
// slowest, which still sees every block in order. With one thread the caller runs every lane
// of an item, in lane order, before the next item: the plain order of one-thread scans.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace engine {

template <class Item>
class LanePipeline {
public:
    using Lane = std::function<void(Item const&)>;

    /// `uThreads` worker threads besides the caller (none or one: the caller runs the lanes);
    /// `window` items at most between the first lane and the last (at least 1).
    LanePipeline(std::vector<Lane> lanes, unsigned int uThreads, std::size_t window)
        : m_lanes(std::move(lanes)),
          m_next(m_lanes.size(), 0),
          m_busy(m_lanes.size(), false),
          m_window(std::max<std::size_t>(window, 1)) {
        for (unsigned int i = 0; uThreads > 1 && i < uThreads; ++i) {
            try {
                m_workers.emplace_back(&LanePipeline::WorkerLoop, this);
            } catch (std::system_error const&) {
                break;  // fewer threads only make the work slower
            }
        }
    }
    ~LanePipeline() {
        {
            std::lock_guard lock(m_lock);
            m_bStopping = true;
        }
        m_wake.notify_all();
        for (std::thread& worker : m_workers) worker.join();
    }
    LanePipeline(LanePipeline const&) = delete;
    LanePipeline& operator=(LanePipeline const&) = delete;

    /// Hands `item` to every lane; waits first while the slowest lane is a window behind.
    /// Rethrows the first exception a lane threw (once, here or in Finish).
    void Push(Item item) {
        if (m_workers.empty()) {
            for (Lane const& lane : m_lanes) lane(item);
            return;
        }
        std::unique_lock lock(m_lock);
        m_room.wait(lock, [this] { return m_items.size() < m_window || m_error; });
        ThrowError(lock);
        m_items.push_back(std::move(item));
        ++m_u64Pushed;
        lock.unlock();
        m_wake.notify_all();
    }
    /// Waits until every lane has taken every item; rethrows the first exception a lane threw.
    void Finish() {
        std::unique_lock lock(m_lock);
        m_room.wait(lock, [this] { return m_items.empty(); });
        ThrowError(lock);
    }

private:
    void ThrowError(std::unique_lock<std::mutex>& lock) {
        if (!m_error) return;
        std::exception_ptr const error = std::exchange(m_error, nullptr);
        lock.unlock();
        std::rethrow_exception(error);
    }
    /// The idle lane that is furthest behind and has an item to take; m_lanes.size() for none.
    std::size_t NextLane() const {
        std::size_t chosen = m_lanes.size();
        for (std::size_t lane = 0; lane < m_lanes.size(); ++lane) {
            if (m_busy[lane] || m_next[lane] >= m_u64Pushed) continue;
            if (chosen == m_lanes.size() || m_next[lane] < m_next[chosen]) chosen = lane;
        }
        return chosen;
    }
    void WorkerLoop() {
        std::unique_lock lock(m_lock);
        for (;;) {
            std::size_t lane = m_lanes.size();
            m_wake.wait(lock, [&] { return m_bStopping || (lane = NextLane()) < m_lanes.size(); });
            if (m_bStopping) return;
            m_busy[lane] = true;
            // Items leave only once every lane took them: this one stays, and a deque keeps
            // its elements where they are while others are added.
            Item const& item = m_items[static_cast<std::size_t>(m_next[lane] - m_u64FirstItem)];
            lock.unlock();
            std::exception_ptr error;
            try {
                m_lanes[lane](item);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error && !m_error) m_error = error;
            m_busy[lane] = false;
            ++m_next[lane];
            bool bFreed = false;
            while (!m_items.empty() && *std::min_element(m_next.begin(), m_next.end()) > m_u64FirstItem) {
                m_items.pop_front();
                ++m_u64FirstItem;
                bFreed = true;
            }
            if (bFreed || error) m_room.notify_all();
            // This lane may have more to take: another worker may be waiting for it.
            m_wake.notify_one();
        }
    }

    std::vector<Lane> const m_lanes;
    std::mutex m_lock;
    std::condition_variable m_wake;  // an item came, a lane came free, or the pipeline ends
    std::condition_variable m_room;  // items left, or a lane threw
    std::deque<Item> m_items;        // from item m_u64FirstItem on
    std::uint64_t m_u64FirstItem = 0;
    std::uint64_t m_u64Pushed = 0;
    std::vector<std::uint64_t> m_next;  // by lane: the item it takes next
    std::vector<bool> m_busy;
    std::size_t const m_window;
    std::exception_ptr m_error;
    bool m_bStopping = false;
    std::vector<std::thread> m_workers;
};

}  // namespace engine
