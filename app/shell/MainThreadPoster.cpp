#include "app/shell/MainThreadPoster.h"

#include <QMetaObject>
#include <QObject>
#include <QString>

#include "app/shell/NotificationCenter.h"

namespace app {

GuiThreadPoster::GuiThreadPoster(QObject* context) : m_context(context) {}

void GuiThreadPoster::Post(const std::string& name) {
  QMetaObject::invokeMethod(
      m_context, [name = QString::fromStdString(name)] { NotificationCenter::instance().post(name); },
      Qt::QueuedConnection);
}

}  // namespace app
