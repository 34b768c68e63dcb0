#include "app/wizard/QNSelectDiskViewController.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "app/base/MediaPages.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/CustomHeaderCell.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/PressOnReturn.h"
#include "app/controls/TCImageButton.h"
#include "app/wizard/ChoiceCount.h"
#include "uimodel/support/PublicUtilities.h"

namespace app {

namespace {

constexpr int kItemRole = Qt::UserRole + 1;  // index into m_rows
constexpr int kSelectColumn = 3;             // the "select" column: the chosen row's mark

// Row texts: white on the chosen row, blue-grey on the others.
const QColor kChosenText(255, 255, 255);
const QColor kOtherText(175, 186, 219);

// Names come from media and labels: shown as plain text without control characters.
QString Plain(const std::string& text) {
    QString shown = QString::fromStdString(text);
    for (QChar& c : shown)
        if (c.category() == QChar::Other_Control) c = QChar(0xFFFD);
    return shown;
}

}  // namespace

QNSelectDiskViewController::QNSelectDiskViewController(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* middle = new QLabel(this);
    middle->setTextFormat(Qt::PlainText);
    middle->setText(Text(QStringLiteral("PAGE_THREE_MIDLLE_STRING")));
    middle->setAlignment(Qt::AlignCenter);
    layout->addWidget(middle);

    m_model = new QStandardItemModel(this);
    m_model->setHorizontalHeaderLabels({Text(QStringLiteral("PAGE_THREE_TABLEVIEW_DRIVES")),
                                        Text(QStringLiteral("PAGE_THREE_TABLEVIEW_SIZE")),
                                        Text(QStringLiteral("PAGE_THREE_TABLEVIEW_FILESYSTEM")), QString()});
    m_outline = new CustemOutlineView(this);
    m_outline->setHeader(new CustomTableHeaderView(m_outline));
    m_outline->setModel(m_model);
    m_outline->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outline->header()->setSectionsMovable(false);
    m_outline->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_outline->header()->setStretchLastSection(false);
    m_outline->header()->setSectionResizeMode(kSelectColumn, QHeaderView::Fixed);
    m_outline->header()->resizeSection(kSelectColumn, 32);
    layout->addWidget(m_outline, 1);
    m_empty = new QLabel(this);
    m_empty->setTextFormat(Qt::PlainText);
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    m_empty->hide();
    layout->addWidget(m_empty);

    // A click chooses its row; one on empty space chooses nothing. A double-click on a row goes
    // on; one on the header never does (it is not a row).
    connect(m_outline, &QAbstractItemView::pressed, this,
            [this](const QModelIndex& index) { chooseRow(shownRowOf(index)); });
    connect(m_outline->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) chooseRow(shownRowOf(current));
            });
    connect(m_outline, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && m_chosen) emit doubleClickedListToScan();
    });

    m_outline->viewport()->installEventFilter(this);

    auto* buttons = new QHBoxLayout;
    m_back = new TCImageButton(this);
    m_back->setImageFamily(QStringLiteral("back"));
    m_back->setAccessibleName(QStringLiteral("Back"));
    m_back->setButtonEnabled(true);
    m_back->setFocusPolicy(Qt::StrongFocus);
    connect(m_back, &QAbstractButton::clicked, this, &QNSelectDiskViewController::backHomeButtonAction);
    m_continue = new TCImageButton(this);
    m_continue->setImageFamily(QStringLiteral("continue"));
    m_continue->setAccessibleName(QStringLiteral("Continue"));
    m_continue->setFocusPolicy(Qt::StrongFocus);
    connect(m_continue, &QAbstractButton::clicked, this, [this] {
        if (m_chosen) emit doubleClickedListToScan();
    });
    // Images of a failing card are what a careful person scans: a control of its own, not a menu.
    m_diskImage = new QPushButton(Text(QStringLiteral("PAGE_THREE_DISK_IMAGE_BUTTON")), this);
    m_diskImage->setToolTip(Text(QStringLiteral("PAGE_THREE_DISK_IMAGE_TIP")));
    m_diskImage->setIcon(QIcon(imageNamed(QStringLiteral("mirror_image"))));
    m_diskImage->setFocusPolicy(Qt::StrongFocus);
    PressOnReturn(m_diskImage);  // not the page's Return, which scans the chosen disk
    // Drawn as the page's round buttons are: an outline on the backdrop.
    m_diskImage->setStyleSheet(QStringLiteral(
        "QPushButton { color: rgb(174, 184, 222); background: transparent; border: 1px solid rgb(160, 170, 211);"
        " border-radius: 15px; padding: 6px 16px; }"
        "QPushButton:hover { background: rgba(255, 255, 255, 18); }"
        "QPushButton:pressed { background: rgb(9, 40, 76); color: white; }"
        "QPushButton:focus { border-color: rgb(77, 144, 254); }"));
    connect(m_diskImage, &QAbstractButton::clicked, this, &QNSelectDiskViewController::diskImageRequested);
    buttons->addWidget(m_back);
    buttons->addStretch();
    buttons->addWidget(m_diskImage);
    buttons->addSpacing(12);
    buttons->addWidget(m_continue);
    layout->addLayout(buttons);
    choose(nullptr, -1);
    // Where the kernel's events do not arrive, the list still follows media while it shows.
    FollowMediaWhileShown(this);
}

QNSelectDiskViewController::~QNSelectDiskViewController() = default;

void QNSelectDiskViewController::setDisks(Disks disks) {
    showDisks(std::move(disks));
    m_outline->setFocus();
    chooseRow(m_disks.empty() ? -1 : m_disks[0]->numberOfChildren() > 0 ? 1 : 0);
}

void QNSelectDiskViewController::updateDisks(Disks disks) {
    // The first media to come to an empty page are chosen as on opening: there was no choice.
    if (m_disks.empty()) return setDisks(std::move(disks));
    // The old rows go with the old list: the choice is kept as a copy to look for.
    const std::unique_ptr<uimodel::DiskVolumeNodeData> chosen = m_chosen ? CopyChoice(*m_chosen, {}) : nullptr;
    showDisks(std::move(disks));
    const auto isChosen = [&chosen](const uimodel::DiskVolumeNodeData& item) {
        return chosen && SameDevice(item, *chosen);
    };
    int row = 0;
    for (const auto& disk : m_disks) {
        if (isChosen(*disk)) return chooseRow(row);
        ++row;
        for (const auto& volume : disk->children()) {
            if (isChosen(*volume)) return chooseRow(row);
            ++row;
        }
    }
    chooseRow(-1);
}

void QNSelectDiskViewController::showDisks(Disks disks) {
    m_chosen = nullptr;
    m_rows.clear();
    m_model->removeRows(0, m_model->rowCount());
    m_disks = std::move(disks);
    auto makeRow = [this](uimodel::DiskVolumeNodeData* item) {
        QList<QStandardItem*> cells{
            new QStandardItem(Plain(item->name())),
            new QStandardItem(QString::fromStdString(uimodel::longlongDiskSize(item->capacity()))),
            new QStandardItem(item->volumeIndex() < 0 ? QString()
                                                      : QString::fromStdString(uimodel::fileSystemTypeForInt(
                                                            item->fileSystem(), item->isDmg()))),
            new QStandardItem};
        const char* icon = item->isDmg() ? "mirror_image" : item->isUsb() ? "usb" : "disk";
        cells[0]->setIcon(QIcon(imageNamed(QLatin1String(icon))));
        for (QStandardItem* cell : cells) cell->setData(static_cast<int>(m_rows.size()), kItemRole);
        m_rows.push_back(item);
        return cells;
    };
    for (const auto& disk : m_disks) {
        QList<QStandardItem*> diskRow = makeRow(disk.get());
        for (const auto& volume : disk->children()) diskRow[0]->appendRow(makeRow(volume.get()));
        m_model->appendRow(diskRow);
    }
    m_outline->expandAll();
    const bool empty = m_disks.empty();
    m_outline->setVisible(!empty);
    m_empty->setVisible(empty);
    if (empty) m_empty->setText(Text(QStringLiteral("PAGE_THREE_NO_DEVICE")));
}

int QNSelectDiskViewController::shownRowOf(const QModelIndex& wanted) const {
    // Counted from the top, as the outline shows them (also before it was laid out): the list is
    // small, disks and their volumes.
    const QModelIndex first = wanted.siblingAtColumn(0);
    int row = 0;
    for (QModelIndex index = m_model->index(0, 0); index.isValid(); index = m_outline->indexBelow(index), ++row)
        if (index == first) return row;
    return -1;
}

void QNSelectDiskViewController::chooseRow(int row) {
    if (row < 0) {
        choose(nullptr, -1);
        return;
    }
    QModelIndex index = m_model->index(0, 0);
    for (int at = 0; index.isValid() && at < row; ++at) index = m_outline->indexBelow(index);
    if (!index.isValid()) {
        choose(nullptr, -1);
        return;
    }
    {
        // The keyboard goes on from the chosen row; focus would otherwise make row 0 current.
        const QSignalBlocker blocker(m_outline->selectionModel());
        m_outline->setCurrentIndex(index);
    }
    const int at = index.data(kItemRole).toInt();
    choose(at >= 0 && at < static_cast<int>(m_rows.size()) ? m_rows[static_cast<std::size_t>(at)] : nullptr, row);
}

bool QNSelectDiskViewController::chooseDiskRow(int diskIndex, int offset) {
    const int first = rowOfDisk(diskIndex);
    for (const auto& disk : m_disks) {
        if (disk->diskIndex() != diskIndex) continue;
        if (first < 0 || offset < 0 || offset > static_cast<int>(disk->numberOfChildren())) break;
        chooseRow(first + offset);
        return m_chosen != nullptr;
    }
    choose(nullptr, -1);
    return false;
}

int QNSelectDiskViewController::rowOfDisk(int diskIndex) const {
    int row = 0;
    for (const auto& disk : m_disks) {
        if (disk->diskIndex() == diskIndex) return row;
        row += 1 + static_cast<int>(disk->numberOfChildren());
    }
    return -1;
}

void QNSelectDiskViewController::choose(uimodel::DiskVolumeNodeData* item, int row) {
    m_chosen = item;
    // The chosen row's texts turn white and its "select" cell shows the mark.
    for (std::size_t at = 0; at < m_rows.size(); ++at) {
        const QModelIndexList cells = m_model->match(m_model->index(0, 0), kItemRole, static_cast<int>(at), 1,
                                                     Qt::MatchExactly | Qt::MatchRecursive);
        if (cells.isEmpty()) continue;
        const bool chosen = m_rows[at] == item;
        for (int column = 0; column < m_model->columnCount(); ++column) {
            QStandardItem* cell = m_model->itemFromIndex(cells.first().siblingAtColumn(column));
            if (!cell) continue;
            cell->setForeground(chosen ? kChosenText : kOtherText);
            if (column == kSelectColumn) cell->setIcon(chosen ? QIcon(imageNamed(QStringLiteral("select"))) : QIcon());
        }
    }
    m_outline->setHighlightedRow(item ? row : -1);
    m_continue->setButtonEnabled(item != nullptr);
    m_continue->setEnabled(item != nullptr);
}

std::unique_ptr<uimodel::DiskVolumeNodeData> QNSelectDiskViewController::takeChoice() const {
    if (!m_chosen) return nullptr;
    return CopyChoice(*m_chosen, ParentNameOf(m_disks, *m_chosen));
}

bool QNSelectDiskViewController::eventFilter(QObject* watched, QEvent* event) {
    // A click on empty space below the rows lets go of the choice.
    if (watched == m_outline->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (!m_outline->indexAt(press->position().toPoint()).isValid()) {
            m_outline->selectionModel()->clearCurrentIndex();
            choose(nullptr, -1);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QNSelectDiskViewController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_chosen) emit doubleClickedListToScan();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        emit backHomeButtonAction();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace app
