// The previews without a scan: the grid's geometry and its mouse and key handling, the
// loaders' generations and ranges with a thumbnail maker the test holds on a latch, the
// decoder's size and its hostile inputs, and what the grid item and the cover flow draw.
#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "app/models/FileListModel.h"
#include "app/thumbnails/ChildProcess.h"
#include "app/thumbnails/ThumbnailDecoderFactory.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CNGridViewItem.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/GridGeometry.h"
#include "app/thumbview/PreviewPanes.h"
#include "app/thumbview/ThumbnailCache.h"
#include "testkit/TestFileNode.h"

namespace {

using app::results::FileListModel;
using app::thumbview::CNGridView;
using app::thumbview::GridGeometry;
using app::thumbview::PreviewPanes;
using app::thumbview::ThumbnailCache;

constexpr int kTimeoutMs = 60000;

// Files named f0, f1, ... in a list model.
struct Files {
    explicit Files(int count) {
        for (int i = 0; i < count; ++i)
            nodes.push_back(std::make_unique<testkit::CTestFileNode>(("f" + std::to_string(i) + ".jpg").c_str()));
        std::vector<IFileNode*> files;
        for (auto& node : nodes) files.push_back(node.get());
        model.setFiles(files);
    }
    std::vector<std::unique_ptr<testkit::CTestFileNode>> nodes;
    FileListModel model;
};

// Makes a 4 x 4 picture for any node, counting the calls; holds them while shut.
class LatchedMaker {
public:
    app::thumbview::MakeThumbnail maker() {
        return [this](IFileNode* node) {
            std::unique_lock lock(m_mutex);
            m_started.insert(node);
            m_order.push_back(node);
            m_wake.wait(lock, [this] { return m_open; });
            ++m_finished;
            uimodel::Thumbnail thumbnail{uimodel::ThumbnailKind::Image, {4, 4, std::vector<std::uint8_t>(64, 200)}};
            return thumbnail;
        };
    }
    void shut() {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_wake.notify_all();
    }
    std::size_t started() {
        std::lock_guard lock(m_mutex);
        return m_order.size();
    }
    std::size_t finished() {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }
    std::vector<IFileNode*> order() {
        std::lock_guard lock(m_mutex);
        return m_order;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_open = true;
    std::size_t m_finished = 0;
    std::set<IFileNode*> m_started;
    std::vector<IFileNode*> m_order;
};

std::set<int> IndexesOf(const std::vector<IFileNode*>& nodes, const Files& files) {
    std::set<int> indexes;
    for (IFileNode* node : nodes)
        for (std::size_t i = 0; i < files.nodes.size(); ++i)
            if (files.nodes[i].get() == node) indexes.insert(static_cast<int>(i));
    return indexes;
}

bool Settled(PreviewPanes& panes) {
    return QTest::qWaitFor([&] { return panes.previewSettled(); }, kTimeoutMs);
}

TEST(GridGeometry, ColumnsRangesInsetAndHitTests) {
    EXPECT_EQ(GridGeometry(QRectF(0, 0, 149, 300), 10).columns(), 1);
    EXPECT_EQ(GridGeometry(QRectF(0, 0, 0, 300), 10).columns(), 1);
    const GridGeometry empty(QRectF(0, 0, 700, 300), 0, true);
    EXPECT_EQ(empty.documentHeight(), 2 * empty.inset());
    EXPECT_EQ(empty.inset(), 50);
    EXPECT_EQ(empty.visibleItemRange().count, 0);
    struct {
        double y;
        int first;
    } const cases[] = {{150, 0}, {151, 4}, {300, 4}, {301, 8}};
    for (const auto& c : cases) {
        const GridGeometry grid(QRectF(0, c.y, 600, 300), 100);
        ASSERT_EQ(grid.columns(), 4);
        EXPECT_EQ(grid.visibleItemRange().first, c.first) << c.y;
        EXPECT_EQ(grid.visibleItemRange().count, 4 * 2 + 4) << c.y;  // two visible rows and one more
    }
    const GridGeometry tail(QRectF(0, 1400, 600, 300), 42);
    EXPECT_EQ(tail.visibleItemRange().first, 36);
    EXPECT_EQ(tail.visibleItemRange().count, 6);  // clipped at the last item
    EXPECT_EQ(GridGeometry(QRectF(0, 9000, 600, 300), 42).visibleItemRange().count, 0);
    const GridGeometry grid(QRectF(0, 0, 600, 300), 10);
    EXPECT_EQ(grid.indexForItemAtLocation({0, 0}), 0);
    EXPECT_EQ(grid.indexForItemAtLocation({599.5, 149.5}), 3);
    EXPECT_EQ(grid.indexForItemAtLocation({600, 10}), GridGeometry::kNone);  // right of the columns
    EXPECT_EQ(grid.indexForItemAtLocation({-1, 10}), GridGeometry::kNone);
    EXPECT_EQ(grid.indexForItemAtLocation({310, 310}), GridGeometry::kNone);  // item 10: past the end
    EXPECT_EQ(grid.boundIndexForItemAtLocation({5000, 160}), 7);              // x held in the last column
    EXPECT_EQ(grid.rectForItem(6), QRect(300, 150, 150, 150));
}

class GridViewTest : public testing::Test {
protected:
    void SetUp() override {
        grid.setModel(&files.model);
        grid.setModelColumn(FileListModel::kName);
        grid.resize(620, 480);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
    void Press(Qt::MouseButton button, QPoint at) {
        QMouseEvent press(QEvent::MouseButtonPress, at, grid.viewport()->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(grid.viewport(), &press);
    }
    void Move(QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, grid.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(grid.viewport(), &move);
    }
    Files files{30};
    CNGridView grid;
};

TEST_F(GridViewTest, CellsMouseAndKeys) {
    QAbstractItemModelTester tester(&files.model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const GridGeometry geometry = grid.gridGeometry();
    for (int i : {0, 3, 7, 29})
        EXPECT_EQ(grid.visualRect(files.model.index(i, FileListModel::kName)), geometry.rectForItem(i)) << i;

    // Hover, item to item and out: unhover before each hover, and a hover of "none" at the end.
    QList<int> hovers;
    QObject::connect(&grid, &CNGridView::willHoverItem, [&](int i) { hovers << i; });
    QObject::connect(&grid, &CNGridView::willUnhoverItem, [&](int i) { hovers << 1000 + i; });
    Move({10, 10});
    Move({160, 10});
    Move({610, 10});
    EXPECT_EQ(hovers, (QList<int>{0, 1000, 1, 1001, GridGeometry::kNone}));

    // A left click selects nothing and says nothing; a right click on empty space with nothing
    // selected says nothing either.
    QSignalSpy menus(&grid, &CNGridView::contextMenuRequested);
    QSignalSpy deselected(&grid, &CNGridView::didDeselectAllItems);
    QSignalSpy checks(&grid, &CNGridView::checkToggleRequested);
    Press(Qt::LeftButton, {75, 75});
    EXPECT_TRUE(grid.selectedItemIndexes().isEmpty());
    Press(Qt::RightButton, {610, 10});
    EXPECT_TRUE(menus.isEmpty());
    EXPECT_TRUE(deselected.isEmpty());
    EXPECT_TRUE(checks.isEmpty());
    // A right click on an item selects it and asks for its menu; reload keeps it selected.
    Press(Qt::RightButton, {160, 160});
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus.at(0).at(0).value<QList<int>>(), QList<int>{5});
    grid.reloadData();
    EXPECT_EQ(grid.selectedItemIndexes(), QList<int>{5});
    Press(Qt::RightButton, {610, 10});
    EXPECT_EQ(deselected.size(), 1);

    // A click on an item's check box, and Space on the keyboard's current item, ask for a toggle.
    Press(Qt::LeftButton, {150 + 20, 125});
    ASSERT_EQ(checks.size(), 1);
    EXPECT_EQ(checks.at(0).at(0).toInt(), 1);
    QTest::keyClick(&grid, Qt::Key_End);
    EXPECT_EQ(grid.currentIndex().row(), 29);
    QTest::keyClick(&grid, Qt::Key_Left);
    QTest::keyClick(&grid, Qt::Key_Space);
    ASSERT_EQ(checks.size(), 2);
    EXPECT_EQ(checks.at(1).at(0).toInt(), 28);
    QTest::keyClick(&grid, Qt::Key_Home);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.currentIndex().row(), 4);
    EXPECT_TRUE(grid.selectedItemIndexes().isEmpty()) << "the keyboard moves the current item only";
}

TEST(Loaders, CoverFlowLoadsAroundTheSelectionAndRowChangesNeverWait) {
    LatchedMaker maker;
    Files few(10);
    PreviewPanes fewPanes(&few.model, new QTreeView, maker.maker());
    fewPanes.showSegment(PreviewPanes::kCoverFlow);
    fewPanes.rowsChanged();
    fewPanes.selectedCoverFlow(7);
    ASSERT_TRUE(Settled(fewPanes));
    EXPECT_EQ(IndexesOf(maker.order(), few).size(), 10u) << "fewer than 11 items: all of them";

    LatchedMaker many;
    Files files(500);
    PreviewPanes panes(&files.model, new QTreeView, many.maker());
    panes.showSegment(PreviewPanes::kCoverFlow);
    many.shut();
    panes.rowsChanged();  // loads around item 0, held in the maker
    ASSERT_TRUE(QTest::qWaitFor([&] { return many.started() == 1; }, kTimeoutMs));
    // While the maker holds item 0, a new selection returns at once and replaces the queue.
    panes.selectedCoverFlow(300);
    many.open();
    ASSERT_TRUE(Settled(panes));
    QTest::qWait(0);
    std::set<int> made = IndexesOf(many.order(), files);
    made.erase(0);
    EXPECT_EQ(made.size(), 200u);
    EXPECT_EQ(*made.begin(), 200);
    EXPECT_EQ(*made.rbegin(), 399);
    EXPECT_FALSE(panes.cache().contains(files.nodes[0].get())) << "item 0's thumbnail came after the selection moved";
    EXPECT_TRUE(panes.cache().contains(files.nodes[300].get()));

    // A row change while a thumbnail is being made: no wait, and the late image is dropped.
    many.shut();
    const std::size_t before = many.started();
    panes.selectedCoverFlow(450);
    ASSERT_TRUE(QTest::qWaitFor([&] { return many.started() > before; }, kTimeoutMs));
    IFileNode* held = many.order().back();
    files.model.setFiles({files.nodes[1].get(), files.nodes[2].get()});
    panes.rowsChanged();
    many.open();
    ASSERT_TRUE(Settled(panes));
    QTest::qWait(0);
    EXPECT_FALSE(panes.cache().contains(held));
    EXPECT_EQ(panes.photos().size(), 2u);
    for (int click = 0; click < 20; ++click) panes.checksChanged();
    EXPECT_EQ(panes.photos().size(), 2u) << "one cover-flow item per row, however often checks change";
    // Before the nodes go, the GUI thread waits for the job in progress and forgets them all.
    many.shut();
    const std::size_t startedBefore = many.started();
    files.model.setFiles({files.nodes[3].get(), files.nodes[4].get()});
    panes.rowsChanged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return many.started() > startedBefore; }, kTimeoutMs));
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        many.open();
    });
    panes.nodesFreed();
    EXPECT_EQ(many.finished(), many.started()) << "returned while a thumbnail was still being made";
    opener.join();
    EXPECT_EQ(panes.cache().size(), 0);
    EXPECT_FALSE(panes.flowLoader().isActive());
}

TEST(Loaders, GridMakesThumbnailsOnlyForItemsStillInSight) {
    LatchedMaker maker;
    Files files(10000);
    PreviewPanes panes(&files.model, new QTreeView, maker.maker());
    panes.resize(800, 600);
    panes.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panes));
    maker.shut();
    panes.showSegment(PreviewPanes::kGrid);
    panes.rowsChanged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return maker.started() == 1; }, kTimeoutMs));
    // Fifty steps to the end while the first thumbnail is held.
    QScrollBar* bar = panes.gridView()->verticalScrollBar();
    for (int step = 1; step <= 50; ++step) {
        bar->setValue(bar->maximum() * step / 50);
        QCoreApplication::processEvents();
    }
    const GridGeometry::Range last = panes.gridView()->visibleItemRange();
    maker.open();
    ASSERT_TRUE(Settled(panes));
    const std::vector<IFileNode*> order = maker.order();
    ASSERT_EQ(order.size(), 1u + static_cast<std::size_t>(last.count));
    for (int index : IndexesOf({order.begin() + 1, order.end()}, files)) EXPECT_TRUE(last.contains(index)) << index;
    QTest::qWait(0);
    EXPECT_GT(panes.realThumbnailsShown(), 0);
}

// A PNG's chunk checksum, so that a doctored header still reads as valid.
quint32 Crc32(const char* data, int length) {
    quint32 crc = 0xFFFFFFFFu;
    for (int i = 0; i < length; ++i) {
        crc ^= static_cast<quint8>(data[i]);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

std::span<std::uint8_t const> Span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

TEST(Thumbnails, AtMostPreviewSizeAndPlaceholdersForHostileFiles) {
    auto decoder = app::thumbnails::CreateThumbnailDecoder(app::thumbnails::kPreviewThumbnailSide);
    QImage photo(4000, 3000, QImage::Format_RGB32);  // 12 MP
    photo.fill(QColor(30, 120, 200));
    const QByteArray jpeg = Encoded(photo, "JPEG");
    const uimodel::RgbaImage thumbnail = decoder->DecodePicture(Span(jpeg));
    EXPECT_EQ(thumbnail.iWidth, 192);
    EXPECT_EQ(thumbnail.iHeight, 144);

    // Fifty such thumbnails in a cache capped at 2 MiB stay under the cap.
    ThumbnailCache cache(2 << 20);
    Files nodes(50);
    for (auto& node : nodes.nodes)
        cache.insert(node.get(), QPixmap::fromImage(QImage(192, 144, QImage::Format_RGB32)), true);
    EXPECT_LE(cache.peakBytes(), cache.capBytes());
    EXPECT_LT(cache.size(), 50);

    // A PNG declaring 30000 x 30000 pixels, a truncated JPEG, nothing at all, a corrupt movie.
    QByteArray huge = Encoded(QImage(1, 1, QImage::Format_RGB32), "PNG");
    const char side[4] = {0, 0, 0x75, 0x30};
    huge.replace(16, 4, side, 4);
    huge.replace(20, 4, side, 4);
    const quint32 crc = Crc32(huge.constData() + 12, 17);  // "IHDR" and its 13 bytes
    const char crcBytes[4] = {char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
    huge.replace(29, 4, crcBytes, 4);
    EXPECT_FALSE(decoder->DecodePicture(Span(huge)).IsImage());
    const uimodel::RgbaImage truncated = decoder->DecodePicture(Span(jpeg.left(jpeg.size() / 3)));
    EXPECT_LE(std::max(truncated.iWidth, truncated.iHeight), 192);
    EXPECT_FALSE(decoder->DecodePicture({}).IsImage());
    QByteArray movie(
        "\0\0\0\x18"
        "ftypmp42",
        12);
    movie.append(4096, '\x7f');
    EXPECT_FALSE(decoder->DecodeMovie(Span(movie)).IsImage());

    // A decoder that crashes or hangs costs its thumbnail only.
    using app::thumbnails::DecodeInChild;
    EXPECT_FALSE(DecodeInChild([]() -> uimodel::RgbaImage { std::abort(); }, 192, std::chrono::seconds(10)).IsImage());
    EXPECT_FALSE(DecodeInChild(
                     []() -> uimodel::RgbaImage {
                         for (;;) pause();
                     },
                     192, std::chrono::milliseconds(300))
                     .IsImage());
    const uimodel::RgbaImage fromChild = DecodeInChild(
        [] {
            return uimodel::RgbaImage{2, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
        },
        192, std::chrono::seconds(10));
    EXPECT_EQ(fromChild.pixels, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

QImage Painted(const app::thumbview::GridItemLook& look) {
    QImage image(150, 150, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    app::thumbview::PaintGridItem(painter, QRect(0, 0, 150, 150), look);
    return image;
}

TEST(Painting, TileHoverRingThumbnailAndCoverFlow) {
    app::thumbview::GridItemLook look;
    const QImage plain = Painted(look);
    look.hovered = true;
    EXPECT_LT(qGray(Painted(look).pixel(40, 20)), qGray(plain.pixel(40, 20)) - 40) << "the hover fill";
    look.hovered = false;
    look.selected = true;
    const QColor ring = Painted(look).pixelColor(5, 75);
    EXPECT_GT(ring.blue(), ring.red() + 40) << "the selection ring";
    look.selected = false;
    // A deleted file wears the red marker in the tile's top right corner.
    const QRect marker = app::thumbview::item_frames::DeletedMarker({150, 150});
    const auto redPixels = [&marker](const QImage& image) {
        int red = 0;
        for (int y = marker.top(); y <= marker.bottom(); ++y)
            for (int x = marker.left(); x <= marker.right(); ++x)
                red += image.pixelColor(x, y).red() > image.pixelColor(x, y).green() + 80;
        return red;
    };
    EXPECT_EQ(redPixels(plain), 0);
    look.marker = QStringLiteral("deletered");
    EXPECT_GT(redPixels(Painted(look)), 40) << "the deleted marker";
    look.marker.clear();
    QPixmap wide(200, 100);
    wide.fill(Qt::red);
    look.thumbnail = wide;
    const QImage drawn = Painted(look);
    int width = 0, height = 0;
    for (int x = 0; x < 150; ++x) width += drawn.pixelColor(x, 60).red() > 200 && drawn.pixelColor(x, 60).green() < 60;
    for (int y = 0; y < 150; ++y) height += drawn.pixelColor(75, y).red() > 200 && drawn.pixelColor(75, y).green() < 60;
    EXPECT_NEAR(width, 90, 1);
    EXPECT_NEAR(height, 45, 1) << "fitted keeping its aspect ratio, not stretched";

    app::thumbview::CoverFlowView flow;
    QPixmap cover(120, 120);
    cover.fill(Qt::green);
    flow.setDataSource({[] { return 5; },
                        [&](int) {
                            return app::thumbview::CoverFlowItem{cover, QStringLiteral("x")};
                        }});
    flow.resize(700, 300);
    flow.setSelectedIndex(2, false);
    const QImage shot = flow.grab().toImage();
    const QList<QRectF> frames = flow.placedFrames();
    ASSERT_EQ(frames.size(), 5);
    for (int i = 1; i < frames.size(); ++i) EXPECT_GT(frames[0].width(), frames[i].width());
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::black));
}

}  // namespace
