#pragma once
// The model's poster: names posted on any thread reach NotificationCenter on the GUI thread, in
// the order posted, without blocking the poster.

#include "uimodel/support/Seams.h"

class QObject;

namespace app {

class GuiThreadPoster final : public uimodel::IMainThreadPoster {
public:
    // `context` lives on the GUI thread for the whole process; the names are delivered through
    // its event queue.
    explicit GuiThreadPoster(QObject* context);
    void Post(const std::string& name) override;

private:
    QObject* m_context;
};

}  // namespace app
