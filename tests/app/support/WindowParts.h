#pragma once
// A window's parts as the tests reach them: by the object name the window gives each part.
#include <gtest/gtest.h>
#include <QObject>
#include <QString>

#include "app/controls/BandedListView.h"
#include "app/controls/BarTitle.h"
#include "app/controls/ElidedLabel.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/TCImageWindow.h"
#include "app/models/FileListModel.h"
#include "app/recovery/QNShowScanProgressWindowController.h"
#include "app/results/FilePane.h"
#include "app/results/ResultViews.h"
#include "app/results/ResultsExport.h"
#include "app/results/ResultsRecovery.h"
#include "app/results/ResultsSearch.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanControls.h"
#include "app/results/ScanFollower.h"

namespace apptest {

// The part named `name` of type T inside `window`; null when there is none.
template <class T>
T* Part(const QObject& window, const char* name) {
    return window.findChild<T*>(QLatin1String(name));
}

// The part named `name` of type T inside `window` while it shows; null otherwise (a dialog or
// pop-over that closed may linger until it is deleted).
template <class T>
T* ShownPart(const QObject& window, const char* name) {
    T* part = Part<T>(window, name);
    return part && part->isVisible() ? part : nullptr;
}

// The results window's parts.
inline app::results::FilePane* Pane(const QObject& window) { return Part<app::results::FilePane>(window, "filePane"); }
inline app::results::ScanControls* Controls(const QObject& window) {
    return Part<app::results::ScanControls>(window, "scanControls");
}
inline app::results::ScanFollower* Follower(const QObject& window) {
    return Part<app::results::ScanFollower>(window, "scanFollower");
}
inline app::results::ScanBar* Bar(const QObject& window) { return Part<app::results::ScanBar>(window, "scanBar"); }
inline app::results::ResultsRecovery* Recovery(const QObject& window) {
    return Part<app::results::ResultsRecovery>(window, "resultsRecovery");
}
inline app::results::ResultsExport* Export(const QObject& window) {
    return Part<app::results::ResultsExport>(window, "resultsExport");
}
inline app::results::ResultsSearch* Search(const QObject& window) {
    return Part<app::results::ResultsSearch>(window, "resultsSearch");
}
// What the window shows, read off its parts: the list's files, the folder chosen in the path
// tree, a label's whole text, the deep-scan offer and the recovery's progress dialog while they
// show, the scan's phase.
inline app::results::FileListModel* List(const QObject& window) {
    return qobject_cast<app::results::FileListModel*>(Part<app::CustomTableView>(window, "fileList")->model());
}
inline uimodel::OpNodeData* ChosenFolder(const QObject& window) {
    return static_cast<uimodel::OpNodeData*>(
        Part<app::results::ResultOutlineView>(window, "pathTree")->currentIndex().internalPointer());
}
inline QString LabelText(const QObject& window, const char* name) {
    return Part<app::ElidedLabel>(window, name)->fullText();
}
inline app::MAAttachedWindow* ShownOffer(const QObject& window) {
    return ShownPart<app::MAAttachedWindow>(window, "deepScanPopover");
}
inline app::recovery::QNShowScanProgressWindowController* ShownProgress(const QObject& window) {
    return ShownPart<app::recovery::QNShowScanProgressWindowController>(window, "recoveryProgress");
}
inline app::results::ScanPhase Phase(const QObject& window) { return Follower(window)->state().phase; }

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
