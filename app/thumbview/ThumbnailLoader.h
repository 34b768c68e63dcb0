#pragma once
// One worker thread that makes thumbnails for a preview, one at a time. Each job is a copy of
// (index, node) stamped with the generation it was queued in; a change of rows only bumps the
// generation, so the GUI thread never waits for a thumbnail in progress: its result is dropped
// on arrival. Only before the nodes are freed does the GUI thread wait (waitForNodes), so that
// no job still reads a node. Images reach the GUI thread as QImage by queued signal.
#include <QImage>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/IFileNode.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"

namespace app::thumbview {

struct ThumbnailJob {
    int index = 0;
    IFileNode* node = nullptr;
};

// Makes one thumbnail; runs on the loader's thread.
using MakeThumbnail = std::function<uimodel::Thumbnail(IFileNode*)>;

// The application's: the installed model's thumbnails (none while none is installed).
MakeThumbnail ModelThumbnails();

class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    explicit ThumbnailLoader(MakeThumbnail make, QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // Another set of rows: the queue is dropped and the job in progress will deliver nothing.
    // Returns at once.
    quint64 newGeneration();
    quint64 generation() const { return m_generation.load(); }
    // Replaces the queue with these jobs of the current generation, done in this order.
    void load(std::vector<ThumbnailJob> jobs);
    // Only jobs whose index lies in [first, first + count) are still worth making; the others are
    // skipped before any work (a grid scrolled past them).
    void setWantedRange(int first, int count);
    // Before the rows' nodes are freed: drops the queue and waits for the job in progress.
    void waitForNodes();
    // A job is queued or in progress.
    bool isActive() const;
    // Jobs that reached the thumbnail maker (tests and the bench read it).
    int jobsStarted() const { return m_started.load(); }

signals:
    // On the GUI thread; `real` when decoded from the file rather than the type's icon.
    void thumbnailReady(quint64 generation, int index, IFileNode* node, const QImage& image, bool real);
    // The queue ran dry.
    void idle(quint64 generation);

private:
    void run();

    MakeThumbnail m_make;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_jobDone;
    std::deque<ThumbnailJob> m_queue;
    quint64 m_queuedGeneration = 0;
    bool m_busy = false;
    bool m_quit = false;
    std::atomic<quint64> m_generation{0};
    std::atomic<int> m_wantedFirst{0};
    std::atomic<int> m_wantedCount{INT32_MAX};
    std::atomic<int> m_started{0};
    std::thread m_thread;
};

}  // namespace app::thumbview
