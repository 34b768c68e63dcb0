// The lists over a real scan: a FAT32 image made by mkfs.fat and mtools, one long-name entry
// patched to hold an entity reference, scanned through the hook's model as the gallery scans. The path tree's
// model passes Qt's model checks while the refreshes add its rows, and the patched name shows
// literally in the file list.
#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QDir>
#include <QTest>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Grabs.h"
#include "app/base/NotificationCenter.h"
#include "app/controls/BandedListView.h"
#include "app/controls/ImageAndTextCell.h"
#include "app/controls/NewButton.h"
#include "app/hook/ScanHook.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"

namespace {

using app::results::FileListModel;
using uimodel::QNUIController;

constexpr int kScanTimeoutMs = 120000;
// The FAT reader refuses long names holding < > / (they fall back to the short name), so the
// markup is an entity reference: rich text would show "<i>x", plain text shows it as it stands.
const char kMarkup[] = "&lt;i&gt;x";
constexpr int kMarkupLength = 10;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Writes kMarkup over the one long-name entry of "qQqQqQqQ.txtx" (13 characters: 1-5 at byte
// 1, 6-11 at byte 14, 12-13 at byte 28 of the 32-byte entry), ending it with a 0 and 0xFFFF
// padding. The checksum covers the short name only, so the entry stays valid.
bool PatchLongName(const std::string& image) {
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), {});
    const std::string first5("q\0Q\0q\0Q\0q\0", 10);
    for (std::size_t at = 1; at + 32 < bytes.size(); at += 32) {
        if (std::string(&bytes[at], 10) != first5 || bytes[at - 1 + 11] != 0x0F) continue;
        const std::size_t entry = at - 1;
        for (int i = 0; i < 13; ++i) {
            const std::size_t offset = entry + (i < 5 ? 1 + 2 * i : i < 11 ? 14 + 2 * (i - 5) : 28 + 2 * (i - 11));
            const char16_t c = i < kMarkupLength ? char16_t(kMarkup[i]) : i == kMarkupLength ? 0 : 0xFFFF;
            bytes[offset] = static_cast<char>(c & 0xFF);
            bytes[offset + 1] = static_cast<char>(c >> 8);
        }
        file.seekp(0);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return bool(file);
    }
    return false;
}

std::string BuildImage(const testsupport::TempDir& temp) {
    for (const char* tool : {"mkfs.fat", "mcopy", "mmd"})
        if (!testsupport::HaveTool(tool)) return {};
    const std::string image = temp.File("names.img");
    const std::string payload = temp.File("payload.txt");
    std::ofstream(payload) << "the same bytes in every file\n";
    const std::string tools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
    const std::string i = " -i " + Quoted(image) + " ";
    const std::string script = "truncate -s 40M " + Quoted(image) + " && mkfs.fat -F 32 -n NAMES " + Quoted(image) +
                               " >/dev/null && " + tools + "mmd" + i + "::docs ::docs/2024 ::music && " + tools +
                               "mcopy" + i + Quoted(payload) + " ::qQqQqQqQ.txtx && " + tools + "mcopy" + i +
                               Quoted(payload) + " ::docs/a.txt && " + tools + "mcopy" + i + Quoted(payload) +
                               " ::docs/2024/b.txt";
    if (testsupport::RunCommand(script) != 0 || !PatchLongName(image)) return {};
    return image;
}

// The width of the text ink in the row's cell: literal markup spans many glyphs, a bold "x" one.
int InkWidth(const QImage& image, const QRect& cell, QColor background) {
    int left = cell.right(), right = cell.left();
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (image.pixelColor(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return right - left;
}

TEST(ScannedTree, RefreshesFillACheckedModelAndAMarkupNameShowsLiterally) {
    testsupport::TempDir temp;
    const std::string image = BuildImage(temp);
    if (image.empty()) GTEST_SKIP() << "mkfs.fat or mtools missing, or the image could not be made";
    ASSERT_TRUE(app::InstallHookModel(QString::fromStdString(image)));

    uimodel::TreeArray rows;
    app::results::ResultTreeModel tree(rows);
    QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QObject window;
    bool ended = false;
    app::NotificationCenter::instance().addObserver(&window, "NormalScranValue", [&](const QVariantMap&) {
        QNUIController::SetViewType(uimodel::VIEW_PATH);
        QNUIController::GetScanTreeNodeData(&rows, false, &tree);
        ended = !QNUIController::IsScanRunning();
    });
    ASSERT_TRUE(app::StartHookScan("NormalScranValue"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, kScanTimeoutMs));

    // One volume, its root, docs, docs/2024 and music.
    ASSERT_EQ(tree.rowCount(), 1);
    app::QNCustomOutlineView outline;
    app::NewButton cell;
    outline.setModel(&tree);
    outline.setItemDelegate(&cell);
    outline.expandAll();
    std::size_t shown = 0;
    for (QModelIndex at = tree.index(0, 0); at.isValid(); at = outline.indexBelow(at)) ++shown;
    EXPECT_EQ(shown, tree.countRows());
    EXPECT_GE(shown, 3u);

    uimodel::FileNodeList files;
    ASSERT_TRUE(QNUIController::GetFileNodeToArray(files, rows[0]));
    FileListModel list;
    QAbstractItemModelTester listTester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.setFiles(files);
    int markupRow = -1;
    for (int row = 0; row < list.rowCount(); ++row)
        if (list.index(row, FileListModel::kName).data().toString() == QLatin1String(kMarkup)) markupRow = row;
    ASSERT_GE(markupRow, 0) << "the patched long name is read as it stands";

    app::CustomTableView table;
    app::ImageAndTextCell names;
    table.setModel(&list);
    table.setItemDelegate(&names);
    table.setRowNum(-1);
    table.resize(500, 200);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    const QImage grab = table.viewport()->grab().toImage();
    const QString folder = apptest::GrabFolder();
    grab.save(folder + QStringLiteral("/lists-markup-name.png"));
    QRect cell0 = table.visualRect(list.index(markupRow, FileListModel::kName));
    const QColor background = grab.pixelColor(cell0.right() - 2, cell0.center().y());
    const int ink = InkWidth(
        grab, cell0.adjusted(app::ImageAndTextCell::kIconSpacing + app::ImageAndTextCell::kIconSize, 1, -4, -1),
        background);
    const QFontMetrics metrics(table.font());
    EXPECT_GT(ink,
              metrics.horizontalAdvance(QStringLiteral("<i>x")) + metrics.horizontalAdvance(QStringLiteral("&;&;")));
}

}  // namespace
