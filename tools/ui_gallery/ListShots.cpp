#include "ListShots.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTest>

#include "ControlShots.h"
#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/CustemSplitView.h"
#include "app/controls/CustomHeaderCell.h"
#include "app/controls/ImageAndTextCell.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/NewButton.h"
#include "app/controls/QNDeepScanViewController.h"
#include "app/controls/RFOverlayScroller.h"
#include "app/controls/Theme.h"
#include "app/controls/TypeButton.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "uimodel/facade/QNUIController.h"

namespace gallery {

namespace {

using uimodel::QNUIController;

// A folder tree with check states 0, 1 and 2, names that test the painter, and row icons.
std::unique_ptr<QStandardItemModel> SampleTree() {
    auto model = std::make_unique<QStandardItemModel>();
    model->setHorizontalHeaderLabels({QStringLiteral("Name")});
    const struct {
        const char* name;
        int state;
        int icon;
        int depth;
    } rows[] = {
        {"Macintosh HD", 1, 0, 0},
        {"Pictures", 2, 2, 1},
        {"2024", 2, 9, 2},
        {"<b>not bold</b>", 0, 10, 2},
        {"Documents", 0, 6, 1},
        {"abc\u202Egpj.exe", 0, 10, 2},
        {"Music", 1, 3, 1},
        {"A very long folder name that cannot fit in the column and is elided at its end", 0, 10, 1},
    };
    QStandardItem* parents[4] = {model->invisibleRootItem()};
    for (const auto& row : rows) {
        auto* item = new QStandardItem(QString::fromUtf8(row.name));
        item->setData(row.state, Qt::CheckStateRole);
        item->setData(app::imageNamed(QStringLiteral("%1IconImage").arg(row.icon)), Qt::DecorationRole);
        parents[row.depth]->appendRow(item);
        parents[row.depth + 1] = item;
    }
    return model;
}

std::unique_ptr<QStandardItemModel> SampleFiles(int count) {
    auto model = std::make_unique<QStandardItemModel>(0, 3);
    model->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Path")});
    for (int i = 0; i < count; ++i) {
        QList<QStandardItem*> items{new QStandardItem(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0'))),
                                    new QStandardItem(QStringLiteral("%1 KB").arg(120 + i * 7)),
                                    new QStandardItem(QStringLiteral("/DCIM/100CANON"))};
        items[0]->setData(app::imageNamed(QStringLiteral("1IconImage")), Qt::DecorationRole);
        model->appendRow(items);
    }
    return model;
}

void Show(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    (void)QTest::qWaitForWindowExposed(&widget);
}

}  // namespace

QStringList WriteListShots(const QDir& dir) {
    ShotList save(dir);

    // The results window's tree: bands through unhighlighted rows, check cells, icons.
    auto tree = SampleTree();
    app::QNCustomOutlineView outline;
    app::NewButton cell;
    outline.setModel(tree.get());
    outline.setItemDelegate(&cell);
    outline.expandAll();
    outline.resize(360, 330);
    Show(outline);
    outline.setSelectCellBackgroundColorWithRow(2);
    save(outline, QStringLiteral("QNCustomOutlineView-highlight"));
    outline.setSelectCellBackgroundColorWithRow(-1);
    save(outline, QStringLiteral("QNCustomOutlineView-none"));
    outline.setFocus();
    outline.setCurrentIndex(tree->index(1, 0, tree->index(0, 0)));
    save(outline, QStringLiteral("QNCustomOutlineView-keyboard-focus"));

    // The disk page's outline: every row filled.
    app::CustemOutlineView disks;
    disks.setModel(tree.get());
    disks.setItemDelegate(&cell);
    disks.expandAll();
    disks.setIsSelectRow(1);
    disks.resize(360, 330);
    Show(disks);
    save(disks, QStringLiteral("CustemOutlineView-rows"));

    // The file list with the dark header, a sort column, and the overlay knob after a scroll.
    auto files = SampleFiles(60);
    app::CustomTableView table;
    table.setModel(files.get());
    table.setRowNum(3);
    table.resize(480, 300);
    auto* overlay = new app::RFOverlayScrollView(&table);
    Show(table);
    qobject_cast<app::CustomHeaderCell*>(table.header())->setSortAscending(0, true, 0);
    table.verticalScrollBar()->setValue(10);
    overlay->verticalScroller()->setKnobAlpha(1.0);
    save(table, QStringLiteral("CustomTableView-header-knob"));

    // The disk page's white header.
    app::CustomTableView white;
    white.setHeader(new app::CustomTableHeaderView(&white));
    white.setModel(files.get());
    white.resize(480, 160);
    Show(white);
    save(white, QStringLiteral("CustomTableHeaderView"));

    // The empty-list note.
    QStandardItemModel none(0, 3);
    none.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Path")});
    app::CustomTableView empty;
    empty.setModel(&none);
    empty.resize(480, 240);
    Show(empty);
    empty.changeNoValue(false);
    save(empty, QStringLiteral("CustomTableView-no-value"));

    // A split view with its black divider between the tree and the list.
    app::CustemSplitView split;
    auto* left = new app::QNCustomOutlineView;
    left->setModel(tree.get());
    left->setItemDelegate(&cell);
    left->expandAll();
    auto* right = new app::CustomTableView;
    right->setModel(files.get());
    split.addWidget(left);
    split.addWidget(right);
    split.setHandleWidth(1);
    split.resize(760, 300);
    Show(split);
    save(split, QStringLiteral("CustemSplitView"));

    // The file-type tiles: normal, hover, pressed, disabled, and one not chosen.
    QWidget tiles;
    tiles.setAutoFillBackground(true);
    QPalette backdrop = tiles.palette();
    backdrop.setColor(QPalette::Window, QColor(app::theme::kBackdrop));
    tiles.setPalette(backdrop);
    auto* row = new QHBoxLayout(&tiles);
    app::TypeButton* made[5];
    for (auto*& tile : made) {
        tile = new app::TypeButton;
        tile->setImageFromFileNormalName(QStringLiteral("icon_graphics_normal"), QStringLiteral("icon_graphics_press"),
                                         QStringLiteral("icon_graphics_hover"),
                                         QStringLiteral("icon_graphics_disable"));
        tile->setTextWithName(app::Text(QStringLiteral("PAGE_TWO_PICTURE_TITLE")));
        row->addWidget(tile);
    }
    Show(tiles);
    QEnterEvent enter(QPointF(40, 20), QPointF(40, 20), QPointF(40, 20));
    QApplication::sendEvent(made[1], &enter);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(40, 20), QPointF(40, 20), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(made[2], &press);
    made[3]->setButtonEnabled(false);
    made[4]->changeSelect(false);
    save(tiles, QStringLiteral("TypeButton-normal-hover-pressed-disabled-unchosen"));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(400, 400), QPointF(400, 400), Qt::LeftButton, {}, {});
    QApplication::sendEvent(made[2], &release);

    // The deep-scan hint in its pop-over, below a point near the window's left.
    QWidget window;
    window.setAutoFillBackground(true);
    window.setPalette(backdrop);
    window.resize(420, 160);
    Show(window);
    app::MAAttachedWindow::attach(new app::QNDeepScanViewController, QPoint(40, 20), &window, app::kSideBelowRightward,
                                  10);
    save(window, QStringLiteral("MAAttachedWindow-deep-scan-hint"));

    return save.Written();
}

ScanListsWindow::ScanListsWindow()
    : tree_(std::make_unique<app::results::ResultTreeModel>(rows_)),
      files_(std::make_unique<app::results::FileListModel>()) {
    setWindowTitle(QStringLiteral("Scanned lists"));
    auto* split = new app::CustemSplitView(this);
    outline_ = new app::QNCustomOutlineView;
    cell_ = new app::NewButton(outline_);
    outline_->setModel(tree_.get());
    outline_->setItemDelegate(cell_);
    table_ = new app::CustomTableView;
    table_->setModel(files_.get());
    auto* fileCell = new app::NewButton(table_);
    table_->setItemDelegateForColumn(app::results::FileListModel::kCheckBox, fileCell);
    table_->setItemDelegateForColumn(app::results::FileListModel::kName, new app::ImageAndTextCell(table_));
    connect(fileCell, &app::NewButton::clickButtonAction, this, [this](const QModelIndex& index) {
        // While a scan runs, check states stay as they are.
        IFileNode* file = files_->fileAt(index.row());
        if (!file || QNUIController::IsScanRunning()) return;
        uimodel::OpNodeData::setFileNode(file, uimodel::OpNodeData::fileNodeState(file) == 2 ? 0 : 2);
        files_->statesChanged();
        tree_->statesChanged();
    });
    connect(table_, &app::BandedListView::checkRequested, fileCell, &app::NewButton::requestCheck);
    new app::RFOverlayScrollView(outline_);
    split->addWidget(outline_);
    split->addWidget(table_);
    split->setHandleWidth(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    resize(900, 420);
    connect(cell_, &app::NewButton::clickButtonAction, this, [this](const QModelIndex& index) {
        // While a scan runs, check states stay as they are.
        uimodel::OpNodeData* row = tree_->itemAt(index);
        if (!row || QNUIController::IsScanRunning()) return;
        row->setNodeState(row->state() == 2 ? 0 : 2);
        tree_->statesChanged();
        files_->statesChanged();
    });
    connect(outline_, &app::BandedListView::checkRequested, cell_, &app::NewButton::requestCheck);
}

ScanListsWindow::~ScanListsWindow() {
    outline_->setModel(nullptr);
    table_->setModel(nullptr);
}

void ScanListsWindow::refresh() {
    QNUIController::SetViewType(uimodel::VIEW_PATH);
    QNUIController::GetScanTreeNodeData(&rows_, false, tree_.get());
}

void ScanListsWindow::showFinished() {
    refresh();
    outline_->expandAll();
    uimodel::FileNodeList files;
    if (!rows_.empty()) QNUIController::GetFileNodeToArray(files, rows_[0]);
    files_->setFiles(std::move(files));
    table_->changeNoValue(files_->rowCount() > 0 || rows_.empty());
}

std::size_t ScanListsWindow::outlineRows() const { return tree_->countRows(); }

}  // namespace gallery
