#pragma once
// A window's parts as the tests reach them: by the object name the window gives each part.
#include <gtest/gtest.h>
#include <QObject>
#include <QString>

#include "app/controls/BarTitle.h"
#include "app/controls/TCImageWindow.h"

namespace apptest {

// The part named `name` of type T inside `window`; null when there is none.
template <class T>
T* Part(const QObject& window, const char* name) {
    return window.findChild<T*>(QLatin1String(name));
}

// Whether `window`'s bar shows `text` as the program's windows title it: across the bar's whole
// width at y 3, 17 high, centred, in the system font 13 px high, RGB 80, 84, 102.
inline testing::AssertionResult ShowsBarTitle(const app::TCImageWindow& window, const QString& text) {
    QWidget* bar = window.titleBarView();
    const auto* title = bar ? bar->findChild<app::BarTitle*>() : nullptr;
    if (!title) return testing::AssertionFailure() << "no title in the bar";
    const_cast<app::BarTitle*>(title)->ensurePolished();
    const QColor colour = title->palette().color(title->foregroundRole());
    if (title->text() != text || !title->isVisibleTo(&window) || title->geometry() != QRect(0, 3, bar->width(), 17) ||
        title->alignment() != Qt::AlignCenter || title->font().pixelSize() != 13 || colour != QColor(80, 84, 102))
        return testing::AssertionFailure()
               << "\"" << title->text().toStdString() << "\" at " << title->x() << "," << title->y() << " "
               << title->width() << "x" << title->height() << " in a bar " << bar->width() << " wide, "
               << title->font().pixelSize() << " px, " << colour.name().toStdString();
    return testing::AssertionSuccess();
}

}  // namespace apptest
