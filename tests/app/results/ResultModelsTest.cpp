// The results window's item models without a scan: the tree model turns ranges counted over
// mixed children (rows and files, as "Others" holds them) into row inserts at the right rows,
// never a reset, and repaints the group labels above files that arrive; the list model inserts what grew at either end as one range; sorting is a
// stable strict order shared by the columns' keys.
#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <memory>
#include <vector>

#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "testkit/TestFileNode.h"
#include "uimodel/trees/OpNodeData.h"
#include "uimodel/trees/TreeBatch.h"

namespace {

using app::results::FileListModel;
using app::results::ResultTreeModel;
using testkit::CTestFileNode;
using uimodel::OpNodeData;

std::unique_ptr<OpNodeData> Folder(const char* name) {
    return OpNodeData::MakeFolder(uimodel::VIEW_FILE_TYPE, name, true);
}

std::unique_ptr<CTestFileNode> File(const char* name, long long size = 0) {
    auto file = std::make_unique<CTestFileNode>(name);
    file->SetFileSize(size);
    return file;
}

QString NameAt(const ResultTreeModel& model, int row, const QModelIndex& parent) {
    return model.index(row, 0, parent).data().toString();
}

TEST(ResultTreeModel, RangesOverMixedChildrenBecomeRowInsertsAtTheirRows) {
    uimodel::TreeArray array;
    ResultTreeModel model(array);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    auto f1 = File("one.xyz"), f2 = File("two.xyz"), f3 = File("three");

    OpNodeData* others = nullptr;
    {
        uimodel::CTreeBatch batch(&model);
        std::shared_ptr<OpNodeData> top = Folder("Others");
        others = top.get();
        batch.AppendTop(array, top);
    }
    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex othersIndex = model.index(0, 0);
    ASSERT_EQ(model.rowCount(othersIndex), 0);  // the view has asked: the model follows it now

    {  // One refresh: a file, an extension folder, a file: one range of three children.
        uimodel::CTreeBatch batch(&model);
        batch.Append(*others, f1.get());
        OpNodeData* xyz = batch.Append(*others, Folder("xyz"));
        batch.Append(*xyz, f2.get());
        batch.Append(*others, f3.get());
    }
    ASSERT_EQ(model.rowCount(othersIndex), 1) << "files are the list's, not the tree's";
    EXPECT_EQ(NameAt(model, 0, othersIndex), QStringLiteral("xyz"));
    ASSERT_EQ(inserted.size(), 2);  // the top row, then the one folder row of the range
    EXPECT_EQ(inserted.last().at(1).toInt(), 0);
    EXPECT_EQ(inserted.last().at(2).toInt(), 0);

    {  // A sorted insert at child 1 (after the first file): it is row 0; "xyz" moves to row 1.
        uimodel::CTreeBatch batch(&model);
        batch.Insert(*others, 1, Folder("abc"));
        batch.Insert(*others, 99, Folder("zzz"));  // past the end: appended
    }
    ASSERT_EQ(model.rowCount(othersIndex), 3);
    EXPECT_EQ(NameAt(model, 0, othersIndex), QStringLiteral("abc"));
    EXPECT_EQ(NameAt(model, 1, othersIndex), QStringLiteral("xyz"));
    EXPECT_EQ(NameAt(model, 2, othersIndex), QStringLiteral("zzz"));
    const QModelIndex xyz = model.index(1, 0, othersIndex);
    EXPECT_EQ(model.parent(xyz), othersIndex);
    EXPECT_EQ(model.indexOf(model.itemAt(xyz)), xyz);
    EXPECT_EQ(resets.size(), 0) << "refreshes insert, they never reset";

    // A range of files only inserts nothing.
    const qsizetype before = inserted.size();
    {
        uimodel::CTreeBatch batch(&model);
        batch.Append(*others, f2.get());
    }
    EXPECT_EQ(inserted.size(), before);
    EXPECT_EQ(model.rowCount(othersIndex), 3);

    model.clearArray();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(resets.size(), 1);
}

TEST(ResultTreeModel, GroupLabelsReadTheirKeptCountsAndRepaintAsFilesArrive) {
    auto f1 = File("a.jpg"), f2 = File("b.jpg"), f3 = File("c.jpg");
    const auto dateFolder = [](const char* name, bool expandable) {
        return OpNodeData::MakeFolder(uimodel::VIEW_CREATION_DATE, name, expandable);
    };
    // A date tree with one file, then a window's model over it.
    uimodel::TreeArray array;
    array.rows.push_back(dateFolder("Created", true));
    OpNodeData* year = array[0]->addChildObject(dateFolder("2026", true));
    OpNodeData* month = year->addChildObject(dateFolder("12", false));
    month->addChildObject(f1.get());
    ResultTreeModel model(array);
    model.setShowsCounts(true);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QModelIndex rootIndex = model.index(0, 0);
    const QModelIndex yearIndex = model.index(0, 0, rootIndex);
    const QModelIndex monthIndex = model.index(0, 0, yearIndex);
    EXPECT_EQ(rootIndex.data().toString(), QStringLiteral("Created(1)"));
    EXPECT_EQ(monthIndex.data().toString(), QStringLiteral("12(1)"));

    // Two files into the shown month: each label above them reads three and is told to repaint.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    {
        uimodel::CTreeBatch batch(&model);
        batch.Append(*month, f2.get());
        batch.Append(*month, f3.get());
    }
    EXPECT_EQ(rootIndex.data().toString(), QStringLiteral("Created(3)"));
    EXPECT_EQ(yearIndex.data().toString(), QStringLiteral("2026(3)"));
    EXPECT_EQ(monthIndex.data().toString(), QStringLiteral("12(3)"));
    std::vector<QModelIndex> repainted;
    for (const QList<QVariant>& signal : changed) {
        const auto at = signal.at(0).value<QModelIndex>();
        EXPECT_EQ(at, signal.at(1).value<QModelIndex>());
        EXPECT_TRUE(signal.at(2).value<QList<int>>().contains(Qt::DisplayRole));
        repainted.push_back(at);
    }
    EXPECT_EQ(repainted, (std::vector<QModelIndex>{monthIndex, yearIndex, rootIndex}));
}

TEST(FileListModel, GrowthAtEitherEndIsOneRangeAndAnythingElseAReset) {
    FileListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    auto a = File("a"), b = File("b"), c = File("c"), d = File("d"), e = File("e");

    model.setFiles({b.get(), c.get()});
    EXPECT_EQ(resets.size(), 1);
    model.refreshFiles({d.get(), a.get(), b.get(), c.get()});  // a path folder grows at its front
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0].at(1).toInt(), 0);
    EXPECT_EQ(inserted[0].at(2).toInt(), 1);
    model.refreshFiles({d.get(), a.get(), b.get(), c.get(), e.get()});  // a type folder at its end
    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted[1].at(1).toInt(), 4);
    EXPECT_EQ(inserted[1].at(2).toInt(), 4);
    model.refreshFiles({d.get(), a.get(), b.get(), c.get(), e.get()});
    EXPECT_EQ(inserted.size(), 2);
    EXPECT_EQ(resets.size(), 1);
    model.refreshFiles({e.get(), b.get()});
    EXPECT_EQ(resets.size(), 2);
    EXPECT_EQ(model.fileAt(0), e.get());
}

TEST(FileListModel, SortsAreStableStrictOrdersWithNamesCaseSensitive) {
    FileListModel model;
    auto big = File("big", 5000), small = File("small", 10), same1 = File("Zed", 10), same2 = File("apple", 10),
         huge = File("huge", static_cast<long long>(~0ULL >> 1));
    model.setFiles({small.get(), same1.get(), big.get(), same2.get(), huge.get()});

    ASSERT_TRUE(model.sortBy(FileListModel::kSize, false));  // the first sort: largest first
    EXPECT_EQ(model.fileAt(0), huge.get());
    EXPECT_EQ(model.fileAt(1), big.get());
    // Equal sizes keep their order.
    EXPECT_EQ(model.fileAt(2), small.get());
    EXPECT_EQ(model.fileAt(3), same1.get());
    EXPECT_EQ(model.fileAt(4), same2.get());
    ASSERT_TRUE(model.sortBy(FileListModel::kSize, true));
    EXPECT_EQ(model.fileAt(0), small.get());
    EXPECT_EQ(model.fileAt(4), huge.get());

    ASSERT_TRUE(model.sortBy(FileListModel::kName, false));  // descending: lower case after upper
    EXPECT_EQ(model.fileAt(0), small.get());
    EXPECT_EQ(model.fileAt(4), same1.get()) << "'Z' sorts before 'a' byte-wise";
    EXPECT_FALSE(model.sortBy(FileListModel::kCheckBox, true));

    for (int column : {int(FileListModel::kName), int(FileListModel::kSize), int(FileListModel::kCreated)}) {
        EXPECT_FALSE(app::results::FileLess(column, same1.get(), same1.get()));
        if (column != FileListModel::kName) {
            EXPECT_FALSE(app::results::FileLess(column, small.get(), same2.get()) &&
                         app::results::FileLess(column, same2.get(), small.get()));
        }
    }
    EXPECT_EQ(model.index(0, FileListModel::kSize).data().toString().isEmpty(), false);
}

}  // namespace
