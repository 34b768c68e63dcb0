#include "app/hook/HookTrees.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QWindow>
#include <QtDebug>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/controls/BandedListView.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/PlainText.h"
#include "app/models/ResultTreeModel.h"
#include "app/recovery/QNShowScanProgressWindowController.h"
#include "app/recovery/RecoveryDialogChrome.h"
#include "app/results/FilePane.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanFollower.h"
#include "app/thumbview/PreviewPanes.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace app {

namespace {

using results::QNDeletailWindowController;
using results::ResultTreeModel;

constexpr const char* kViewNames[] = {"path", "type", "created", "modified"};
constexpr const char* kPhaseNames[] = {"idle", "running", "paused", "stopping", "ended"};
constexpr const char* kKindNames[] = {"quick", "deep", "import"};
constexpr const char* kSegmentNames[] = {"list", "coverflow", "grid"};

void PrintLine(const QString& line) {
    std::printf("%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

// What the list shows after a search: the model's search, the field's text, the rows, the note.
void PrintSearch(QNDeletailWindowController* window) {
    CustomTableView* list = window->filePane()->tableView();
    const QLabel* note = list->noValueView() ? list->noValueView()->findChild<QLabel*>() : nullptr;
    PrintLine(QStringLiteral("SEARCH key=\"%1\" field=\"%2\" rows=%3 note=\"%4\"")
                  .arg(QString::fromStdString(uimodel::QNUIController::GetSearchString()),
                       window->scanBar()->search()->textField()->text())
                  .arg(list->model()->rowCount())
                  .arg(note ? OneLine(note->text()) : QString()));
}

// The rows below `parent` in the outline's order, each with its depth, without recursion.
void WalkRows(const ResultTreeModel& model, const std::function<void(const QModelIndex&, int)>& visit) {
    std::vector<std::pair<QModelIndex, int>> pending;
    for (int row = model.rowCount() - 1; row >= 0; --row) pending.emplace_back(model.index(row, 0), 0);
    while (!pending.empty()) {
        const auto [index, depth] = pending.back();
        pending.pop_back();
        visit(index, depth);
        for (int row = model.rowCount(index) - 1; row >= 0; --row)
            pending.emplace_back(model.index(row, 0, index), depth + 1);
    }
}

}  // namespace

bool CheckPathRow(QNDeletailWindowController* window, const QString& rel) {
    window->filePane()->selectTab(QNDeletailWindowController::kPathTab);
    ResultTreeModel* model = window->filePane()->treeModel(QNDeletailWindowController::kPathTab);
    QModelIndex at = model->index(0, 0);
    for (const QString& name : rel.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QModelIndex next;
        for (int row = 0; at.isValid() && row < model->rowCount(at) && !next.isValid(); ++row) {
            const QModelIndex child = model->index(row, 0, at);
            if (model->data(child, Qt::DisplayRole).toString() == name) next = child;
        }
        at = next;
    }
    uimodel::OpNodeData* item = at.isValid() ? model->itemAt(at) : nullptr;
    if (!item) {
        qWarning("Hook: no path-tree row %s", qUtf8Printable(rel));
        return false;
    }
    window->filePane()->clickButtonAction(item);
    return true;
}

void PrintTrees(QNDeletailWindowController* window) {
    const int shown = window->filePane()->currentTab();
    for (int tab = QNDeletailWindowController::kPathTab; tab < QNDeletailWindowController::kTabs; ++tab) {
        // Each tree as its tab shows it: choosing the tab builds and recounts it.
        window->filePane()->selectTab(tab);
        const ResultTreeModel& model = *window->filePane()->treeModel(tab);
        WalkRows(model, [&](const QModelIndex& index, int depth) {
            std::printf("TREE\t%s\t%d\t%s\t%d\n", kViewNames[tab], depth,
                        qUtf8Printable(OneLine(model.data(index, Qt::DisplayRole).toString())),
                        model.data(index, ResultTreeModel::kStateRole).toInt());
        });
    }
    std::fflush(stdout);
    window->filePane()->selectTab(shown);
}

void FollowProgress(QNDeletailWindowController* window) {
    auto last = std::make_shared<QString>();
    QObject::connect(window, &QNDeletailWindowController::progressShown, window, [window, last](int percent) {
        const int tab = window->filePane()->currentTab();
        const QString line = QStringLiteral("PROGRESS percent=%1 found=%2 rows=%3 deep=%4")
                                 .arg(percent)
                                 .arg(window->scanBar()->foundText().section(QLatin1Char(' '), -1))
                                 .arg(static_cast<qulonglong>(window->filePane()->treeModel(tab)->countRows()))
                                 .arg(uimodel::QNUIController::IsDeepScan() ? 1 : 0);
        if (line == *last) return;
        *last = line;
        std::printf("%s\n", qUtf8Printable(line));
        std::fflush(stdout);
    });
    // What a script reads of the window: the scan's state, the view, what a search shows.
    QObject::connect(window->scanFollower(), &results::ScanFollower::stateChanged, window,
                     [](const results::ScanState& state) {
                         PrintLine(QStringLiteral("STATE phase=%1 kind=%2")
                                       .arg(QLatin1String(kPhaseNames[static_cast<int>(state.phase)]),
                                            QLatin1String(kKindNames[static_cast<int>(state.kind)])));
                     });
    QObject::connect(window->filePane()->previews(), &thumbview::PreviewPanes::segmentShown, window, [](int segment) {
        PrintLine(QStringLiteral("VIEW %1").arg(QLatin1String(kSegmentNames[segment])));
    });
    QObject::connect(window, &QNDeletailWindowController::searchShown, window, [window] { PrintSearch(window); });
    // What a script driving the keyboard waits for: the scan's end, and each dialog with its
    // window's id, so that keys go to it once it shows instead of after a guessed sleep.
    auto shown = [](QWidget* dialog) {
        std::printf("SHOWN %s %llu\n", qUtf8Printable(dialog->objectName()),
                    static_cast<unsigned long long>(dialog->winId()));
        std::fflush(stdout);
    };
    QObject::connect(window, &QNDeletailWindowController::scanEnded, window, [window](bool stopped) {
        std::printf("ENDED stopped=%d deep=%d window=%llu\n", stopped ? 1 : 0,
                    uimodel::QNUIController::IsDeepScan() ? 1 : 0, static_cast<unsigned long long>(window->winId()));
        std::fflush(stdout);
    });
    QObject::connect(window, &QNDeletailWindowController::fileDialogOpened, window, shown);
    QObject::connect(window, &QNDeletailWindowController::sheetOpened, window, shown);
    QObject::connect(window, &QNDeletailWindowController::recoveryDialogOpened, window, shown);
    // The recovery's disk-full notice, each time it comes, with the dialog's id; a copy that
    // filled its destination at once shows it before the dialog opens.
    QObject::connect(window, &QNDeletailWindowController::recoveryDialogOpened, window, [](QDialog* dialog) {
        using recovery::QNShowScanProgressWindowController;
        auto* progress = qobject_cast<QNShowScanProgressWindowController*>(dialog);
        if (!progress) return;
        auto notice = [progress](int view) {
            if (view != QNShowScanProgressWindowController::kDiskFull) return;
            std::printf("NOTICE diskFull %llu\n", static_cast<unsigned long long>(progress->winId()));
            std::fflush(stdout);
        };
        notice(progress->currentView());
        QObject::connect(progress, &QNShowScanProgressWindowController::viewShown, progress, notice);
    });
    // The log a recovery's last dialog names, for a script to read.
    QObject::connect(window, &QNDeletailWindowController::recoveryDialogOpened, window, [](QDialog* dialog) {
        const auto* link = dialog->findChild<recovery::FolderLink*>(QStringLiteral("recoveryLogLink"));
        if (!link || link->folder().isEmpty()) return;
        std::printf("LOG %s\n", qUtf8Printable(link->folder()));
        std::fflush(stdout);
    });
    // The window the program itself takes as active: keys typed into a dialog the X server has
    // focused but the program not yet activated reach its field, while the dialog still acts as
    // unfocused (a file dialog keeps a folder chosen by a typed path's prefix).
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, window, [](QWindow* focused) {
        if (!focused) return;
        std::printf("FOCUS %llu\n", static_cast<unsigned long long>(focused->winId()));
        std::fflush(stdout);
    });
}

}  // namespace app
