// ui_thumbnails: the previews' thumbnails as the window makes them. 40 JPEGs of 12 megapixels
// go onto a FAT32 image; after a quick scan through the model the grid shows them and its
// loader makes their thumbnails (192 px, one at a time): thumbnails per second and the peak
// bytes of the cache. Then a grid of 10,000 items, each a 12-MP JPEG decoded from memory, is
// scrolled top to bottom in 50 steps, 20 ms apart: the longest stall of the GUI thread (the
// longest turn of its event loop) and the time until the last screen's thumbnails all show.
//
//   ui_thumbnails [WORK_FOLDER]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ModelBenchImage.h"
#include "app/models/FileListModel.h"
#include "app/thumbnails/ThumbnailDecoderFactory.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/PreviewPanes.h"
#include "testkit/TestFileNode.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"

namespace {

constexpr int kPictures = 40;
constexpr int kGridItems = 10000;
constexpr int kSteps = 50;

using app::thumbview::PreviewPanes;

// Runs the event loop for `ms`, keeping the longest single turn.
void Spin(int ms, qint64& longestNs) {
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < ms) {
        QElapsedTimer turn;
        turn.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        longestNs = std::max(longestNs, turn.nsecsElapsed());
    }
}

bool AllShown(PreviewPanes& panes, const app::results::FileListModel& list) {
    const auto range = panes.gridView()->visibleItemRange();
    for (int i = range.first; i < range.first + range.count; ++i)
        if (!panes.cache().contains(list.fileAt(i))) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::filesystem::path const work =
        argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "ui_thumbnails_bench";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work / "files");
    std::string const first = (work / "files" / "photo0.jpg").string();
    if (std::system(("convert -size 4000x3000 plasma:fractal -quality 90 '" + first + "'").c_str()) != 0) {
        std::fprintf(stderr, "ui_thumbnails: ImageMagick could not make the picture\n");
        return 1;
    }
    for (int i = 1; i < kPictures; ++i)
        std::filesystem::copy_file(first, work / "files" / ("photo" + std::to_string(i) + ".jpg"));
    auto const pictureMiB = std::filesystem::file_size(first) >> 20;
    std::string const image = (work / "disk.img").string();
    if (!modelbench::BuildFat32FromFolder((work / "files").string(), image,
                                          static_cast<unsigned>((pictureMiB + 1) * kPictures + 64)))
        return 1;
    modelbench::ScannedImage scanned(image);
    if (!scanned.bScanned) {
        std::fprintf(stderr, "ui_thumbnails: the scan failed\n");
        return 1;
    }
    auto const decoder = app::thumbnails::CreateThumbnailDecoder(app::thumbnails::kPreviewThumbnailSide);
    uimodel::QNUIThumbnails thumbnails(scanned.scan, scanned.recovery, uimodel::QNUIFilter::instance().GetFilter(),
                                       *decoder);

    // The scanned pictures in a grid large enough to show them all.
    std::vector<IFileNode*> found;
    for (auto const& [type, files] : scanned.scan.GetTypeMap()) found.insert(found.end(), files.begin(), files.end());
    app::results::FileListModel list;
    list.setFiles(found);
    PreviewPanes panes(&list, new QTreeView, [&](IFileNode* node) { return thumbnails.GetNSImageByFildNode(node); });
    panes.resize(1300, 1600);
    panes.show();
    QElapsedTimer clock;
    clock.start();
    panes.showSegment(PreviewPanes::kGrid);
    panes.rowsChanged();
    qint64 longest = 0;
    while (!AllShown(panes, list) && clock.elapsed() < 600000) Spin(5, longest);
    double const seconds = clock.nsecsElapsed() / 1e9;
    std::printf("RESULT bench=ui_thumbnails pictures=%zu seconds=%.3f thumbnails_per_s=%.1f cache_peak_bytes=%lld\n",
                found.size(), seconds, static_cast<double>(found.size()) / seconds,
                static_cast<long long>(panes.cache().peakBytes()));

    // 10,000 items, each decoded from the picture's bytes in memory.
    QFile file(QString::fromStdString(first));
    if (!file.open(QIODevice::ReadOnly)) return 1;
    QByteArray const jpeg = file.readAll();
    std::vector<std::unique_ptr<testkit::CTestFileNode>> nodes;
    std::vector<IFileNode*> rows;
    for (int i = 0; i < kGridItems; ++i) {
        nodes.push_back(std::make_unique<testkit::CTestFileNode>(("p" + std::to_string(i) + ".jpg").c_str()));
        rows.push_back(nodes.back().get());
    }
    app::results::FileListModel many;
    many.setFiles(rows);
    PreviewPanes grid(&many, new QTreeView, [&](IFileNode*) {
        return uimodel::Thumbnail{uimodel::ThumbnailKind::Image,
                                  decoder->DecodePicture({reinterpret_cast<const std::uint8_t*>(jpeg.constData()),
                                                          static_cast<std::size_t>(jpeg.size())})};
    });
    grid.resize(1000, 700);
    grid.show();
    grid.showSegment(PreviewPanes::kGrid);
    grid.rowsChanged();
    Spin(100, longest);
    longest = 0;
    QScrollBar* bar = grid.gridView()->verticalScrollBar();
    for (int step = 1; step <= kSteps; ++step) {
        QElapsedTimer turn;
        turn.start();
        bar->setValue(bar->maximum() * step / kSteps);
        longest = std::max(longest, turn.nsecsElapsed());
        Spin(20, longest);
    }
    clock.restart();
    while (!AllShown(grid, many) && clock.elapsed() < 600000) Spin(5, longest);
    std::printf(
        "RESULT bench=ui_thumbnails_scroll items=%d steps=%d longest_gui_stall_ms=%.2f last_screen_ms=%lld jobs=%d "
        "cache_peak_bytes=%lld\n",
        kGridItems, kSteps, longest / 1e6, static_cast<long long>(clock.elapsed()), grid.gridLoader().jobsStarted(),
        static_cast<long long>(grid.cache().peakBytes()));
    grid.shutDown();
    panes.shutDown();
    std::filesystem::remove_all(work);
    return 0;
}
