#pragma once
// A window's parts as the tests reach them: by the object name the window gives each part.
#include <QObject>
#include <QString>

namespace apptest {

// The part named `name` of type T inside `window`; null when there is none.
template <class T>
T* Part(const QObject& window, const char* name) {
  return window.findChild<T*>(QLatin1String(name));
}

}  // namespace apptest
