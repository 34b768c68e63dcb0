#include "app/base/MainThreadPoster.h"

#include <QMetaObject>
#include <QObject>
#include <QString>

#include "app/base/NotificationCenter.h"

namespace app {

GuiThreadPoster::GuiThreadPoster(QObject* context) : m_context(context) {}

void GuiThreadPoster::Post(const std::string& name) {
    QMetaObject::invokeMethod(
        m_context, [name = QString::fromStdString(name)] { NotificationCenter::instance().post(name); },
        Qt::QueuedConnection);
}

}  // namespace app
