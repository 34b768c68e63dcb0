#include "app/thumbview/ThumbnailLoader.h"

#include "app/thumbnails/QtImages.h"
#include "uimodel/facade/QNUIController.h"

namespace app::thumbview {

MakeThumbnail ModelThumbnails() {
    return [](IFileNode* node) -> uimodel::Thumbnail { return uimodel::QNUIController::GetThumbnailOfFile(node); };
}

ThumbnailLoader::ThumbnailLoader(MakeThumbnail make, QObject* parent)
    : QObject(parent), m_make(std::move(make)), m_thread([this] { run(); }) {}

ThumbnailLoader::~ThumbnailLoader() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

quint64 ThumbnailLoader::newGeneration() {
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    return ++m_generation;
}

void ThumbnailLoader::load(std::vector<ThumbnailJob> jobs) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.assign(jobs.begin(), jobs.end());
        m_queuedGeneration = m_generation.load();
    }
    m_wake.notify_all();
}

void ThumbnailLoader::setWantedRange(int first, int count) {
    m_wantedFirst = first;
    m_wantedCount = count;
}

void ThumbnailLoader::waitForNodes() {
    std::unique_lock lock(m_mutex);
    m_queue.clear();
    ++m_generation;
    m_jobDone.wait(lock, [this] { return !m_busy; });
}

bool ThumbnailLoader::isActive() const {
    std::lock_guard lock(m_mutex);
    return m_busy || !m_queue.empty();
}

void ThumbnailLoader::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_quit) return;
        const ThumbnailJob job = m_queue.front();
        m_queue.pop_front();
        const quint64 generation = m_queuedGeneration;
        const int first = m_wantedFirst.load();
        const bool wanted =
            generation == m_generation.load() && job.index >= first && job.index - first < m_wantedCount.load();
        if (wanted) {
            m_busy = true;
            ++m_started;
            lock.unlock();
            uimodel::Thumbnail thumbnail = m_make(job.node);
            QImage image = thumbnails::ToQImage(thumbnail.image);
            lock.lock();
            m_busy = false;
            m_jobDone.notify_all();
            if (generation == m_generation.load() && !image.isNull())
                emit thumbnailReady(generation, job.index, job.node, image,
                                    thumbnail.eKind == uimodel::ThumbnailKind::Image);
        }
        if (m_queue.empty()) emit idle(generation);
    }
}

}  // namespace app::thumbview
