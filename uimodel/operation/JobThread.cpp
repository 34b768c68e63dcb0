#include "uimodel/operation/JobThread.h"

#include "uimodel/operation/QNUIOperation.h"
#include "uimodel/support/Seams.h"

namespace uimodel {

CJobThread::~CJobThread() { Join(); }

bool CJobThread::Start(std::function<void()> job) {
    if (m_bStarted) return false;
    m_pJob = std::make_unique<std::function<void()>>(std::move(job));
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    bool const bConfigured = pthread_attr_setstacksize(&attributes, kStackBytes) == 0 &&
                             pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_JOINABLE) == 0;
    m_bStarted = bConfigured && pthread_create(&m_thread, &attributes, &CJobThread::Run, m_pJob.get()) == 0;
    pthread_attr_destroy(&attributes);
    return m_bStarted;
}

void CJobThread::Join() {
    if (!m_bStarted) return;
    pthread_join(m_thread, nullptr);
    m_bStarted = false;
    m_pJob.reset();
}

void* CJobThread::Run(void* pArgument) {
    (*static_cast<std::function<void()>*>(pArgument))();
    return nullptr;
}

void PollOperation(QNUIOperation& operation, IMainThreadPoster& poster, std::string const& name,
                   std::chrono::milliseconds interval, std::function<void()> const& onEachPass) {
    while (!operation.IsOperationExit()) {
        // A raise made while the main thread rebuilds a tree waits for the next pass: dropped,
        // the window would miss results that arrived last.
        if (operation.IsNeedUIUpdate() && operation.IsOpTreeFinished()) {
            operation.SetNeedUIUpdate(0);
            poster.Post(name);
        }
        if (onEachPass) onEachPass();
        operation.WaitForExitFor(interval);
    }
    // Always once after the end, so that no window stays in its scanning state.
    operation.SetNeedUIUpdate(0);
    poster.Post(name);
}

}  // namespace uimodel
