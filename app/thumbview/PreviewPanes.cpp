#include "app/thumbview/PreviewPanes.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/ImageAndTextCell.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/NewButton.h"
#include "app/controls/PressOnReturn.h"
#include "app/controls/RFOverlayScroller.h"
#include "app/controls/Theme.h"
#include "app/models/FileListModel.h"
#include "app/models/FileOutlook.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CNGridViewItem.h"
#include "app/thumbview/CoverFlowView.h"
#include "uimodel/trees/OpNodeData.h"

namespace app::thumbview {

using results::FileListModel;

namespace {

// The grid's empty-list note: the tile backdrop and one line of text.
class GridNote : public QWidget {
public:
    GridNote(QWidget* parent, const QString& noteKey) : QWidget(parent) {
        auto* text = new QLabel(this);
        text->setTextFormat(Qt::PlainText);
        text->setAlignment(Qt::AlignCenter);
        text->setText(Text(noteKey));
        text->setFont(theme::SystemFont(14));
        QPalette colours = text->palette();
        colours.setColor(QPalette::WindowText, QColor(51, 59, 71));
        text->setPalette(colours);
        m_text = text;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawPixmap(
            rect(), ImageLibrary::instance().pixmap(QStringLiteral("bg_150"), size(), devicePixelRatioF()));
    }
    void resizeEvent(QResizeEvent*) override { m_text->setGeometry(width() / 2 - 200, height() / 2, 400, 20); }

private:
    QLabel* m_text;
};

// A segment of the view switch: its glyph lit while chosen.
QToolButton* MakeSegment(const QString& image, const QString& title, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setToolTip(title);
    button->setAccessibleName(title);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    PressOnReturn(button);
    button->setIconSize({24, 18});
    auto look = [button, image](bool chosen) {
        button->setIcon(
            ImageLibrary::instance().pixmap(image + (chosen ? QStringLiteral("_focus") : QStringLiteral("_no_hover")),
                                            {24, 18}, button->devicePixelRatioF()));
    };
    look(false);
    QObject::connect(button, &QToolButton::toggled, button, look);
    return button;
}

}  // namespace

PreviewPanes::PreviewPanes(FileListModel* list, QWidget* table, MakeThumbnail make, QWidget* parent)
    : QWidget(parent),
      m_list(list),
      m_flowLoader(std::make_unique<ThumbnailLoader>(make)),
      m_gridLoader(std::make_unique<ThumbnailLoader>(make)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    bar->addStretch(1);
    m_segments = new QButtonGroup(this);
    m_segments->setExclusive(true);
    const QString images[] = {QStringLiteral("list"), QStringLiteral("preview"), QStringLiteral("grid")};
    const QString titles[] = {Text(QStringLiteral("PAGE_FOUR_SEGMENT_LIST")),
                              Text(QStringLiteral("PAGE_FOUR_SEGMENT_COVERFLOW")),
                              Text(QStringLiteral("PAGE_FOUR_SEGMENT_GRID"))};
    for (int segment = kList; segment <= kGrid; ++segment) {
        QToolButton* button = MakeSegment(images[segment], titles[segment], this);
        m_segments->addButton(button, segment);
        bar->addWidget(button);
    }
    m_segments->button(kList)->setChecked(true);
    connect(m_segments, &QButtonGroup::idClicked, this, &PreviewPanes::segmentChosen);
    layout->addLayout(bar);

    m_stack = new QStackedWidget(this);
    m_stack->addWidget(table);
    buildCoverFlow();
    buildGrid();
    layout->addWidget(m_stack, 1);

    for (ThumbnailLoader* loader : {m_flowLoader.get(), m_gridLoader.get()})
        connect(loader, &ThumbnailLoader::thumbnailReady, this, &PreviewPanes::showThumbnail);
}

PreviewPanes::~PreviewPanes() { shutDown(); }

void PreviewPanes::shutDown() {
    // The loaders' threads end before the views and the cache they deliver to.
    if (!m_flowLoader) return;
    m_flowLoader.reset();
    m_gridLoader.reset();
    m_flow->setDataSource({});
    m_grid->setModel(nullptr);
    m_coverList->setModel(nullptr);
    m_photos.clear();
    m_cache.clear();
}

void PreviewPanes::buildCoverFlow() {
    auto* split = new QSplitter(Qt::Vertical);
    split->setChildrenCollapsible(false);
    m_flow = new CoverFlowView;
    m_flow->setMinimumHeight(160);
    m_flow->setDataSource({[this] { return static_cast<int>(m_photos.size()); },
                           [this](int index) {
                               CoverFlowItem item;
                               IFileNode* node = index < static_cast<int>(m_photos.size())
                                                     ? m_photos[static_cast<std::size_t>(index)]
                                                     : nullptr;
                               if (!node) return item;
                               item.title =
                                   m_list->data(m_list->index(index, FileListModel::kName), Qt::DisplayRole).toString();
                               if (const ThumbnailCache::Entry* entry = m_cache.find(node)) item.image = entry->pixmap;
                               return item;
                           }});
    connect(m_flow, &CoverFlowView::didSelectItemAtIndex, this, [this](int index) {
        selectedCoverFlow(index);
        if (index < m_list->rowCount()) {
            const QModelIndex row = m_list->index(index, FileListModel::kName);
            QSignalBlocker blocker(m_coverList->selectionModel());
            m_coverList->setCurrentIndex(row);
            m_coverList->scrollTo(row);
            m_coverList->setRowNum(index);
        }
    });

    m_coverList = new CustomTableView;
    new RFOverlayScrollView(m_coverList);
    m_coverList->setModel(m_list);
    m_coverList->setRootIsDecorated(false);
    m_coverList->setUniformRowHeights(true);
    auto* check = new NewButton(m_coverList);
    m_coverList->setItemDelegateForColumn(FileListModel::kCheckBox, check);
    m_coverList->setItemDelegateForColumn(FileListModel::kName, new ImageAndTextCell(m_coverList));
    m_coverList->setTextElideMode(Qt::ElideMiddle);
    m_coverList->header()->resizeSection(FileListModel::kCheckBox, 24);
    m_coverList->header()->resizeSection(FileListModel::kName, 220);
    connect(check, &NewButton::clickButtonAction, this,
            [this](const QModelIndex& index) { emit checkToggleRequested(index.row()); });
    connect(m_coverList, &BandedListView::checkRequested, this,
            [this](const QModelIndex& index) { emit checkToggleRequested(index.row()); });
    // A row chosen in the list moves the flow to it.
    connect(m_coverList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid()) return;
                m_coverList->setRowNum(current.row());
                if (current.row() != m_flow->selectedIndex()) selectedCoverFlow(current.row());
            });
    split->addWidget(m_flow);
    split->addWidget(m_coverList);
    split->setSizes({300, 200});
    m_stack->addWidget(split);
}

void PreviewPanes::buildGrid() {
    m_grid = new CNGridView;
    new RFOverlayScrollView(m_grid);
    m_grid->setModel(m_list);
    m_grid->setModelColumn(FileListModel::kName);
    QPalette colours = m_grid->palette();
    colours.setColor(QPalette::Base, QColor(theme::kBackdrop));
    m_grid->setPalette(colours);
    m_grid->setItemDelegate(new CNGridViewItemDelegate(
        {[this](int row) {
             IFileNode* node = nodeAt(row);
             return node ? uimodel::OpNodeData::fileNodeState(node) : 0;
         },
         [this](int row) { return results::FileMark(nodeAt(row)); }, [this](int row) { return thumbnailOf(row); },
         [this] { return m_grid->hoveredIndex(); }},
        m_grid));
    connect(m_grid, &CNGridView::checkToggleRequested, this, &PreviewPanes::checkToggleRequested);
    connect(m_grid, &CNGridView::visibleRangeChanged, this, &PreviewPanes::loadGridRange);
    m_stack->addWidget(m_grid);
}

QAbstractButton* PreviewPanes::segmentButton(int segment) const { return m_segments->button(segment); }

void PreviewPanes::setSegmentEnabled(bool enabled) {
    for (QAbstractButton* button : m_segments->buttons()) button->setEnabled(enabled);
}

void PreviewPanes::stopLoaders() {
    m_flowLoader->newGeneration();
    m_gridLoader->newGeneration();
}

bool PreviewPanes::showSegment(int segment) {
    stopLoaders();
    if (segment == m_segment || segment < kList || segment > kGrid) return false;
    m_segment = segment;
    m_segments->button(segment)->setChecked(true);
    m_stack->setCurrentIndex(segment);
    // The view switched to takes the keys.
    if (segment == kGrid) m_grid->setFocus(Qt::OtherFocusReason);
    if (segment == kCoverFlow) m_flow->setFocus(Qt::OtherFocusReason);
    emit segmentShown(segment);
    return true;
}

IFileNode* PreviewPanes::nodeAt(int row) const { return m_list->fileAt(row); }

QPixmap PreviewPanes::thumbnailOf(int row) {
    IFileNode* node = nodeAt(row);
    if (!node) return {};
    if (const ThumbnailCache::Entry* entry = m_cache.find(node)) return entry->pixmap;
    return ImageLibrary::instance().pixmap(QStringLiteral("loading.png"), {64, 64}, devicePixelRatioF());
}

void PreviewPanes::syncPhotos() {
    // Exactly one item per row: the loaded ones stay (their thumbnails live in the cache).
    const std::vector<IFileNode*>& files = m_list->files();
    m_photos.assign(files.begin(), files.end());
}

void PreviewPanes::rowsChanged() {
    stopLoaders();
    syncPhotos();
    m_flowSelectedIndex = 0;
    if (m_segment == kCoverFlow) {
        m_flow->setSelectedIndex(0, false);
        m_flow->reloadData();
        selectedCoverFlow(0);
    } else if (m_segment == kGrid) {
        m_grid->scrollToTop();
        m_grid->reloadData();
    }
}

void PreviewPanes::rowsGrew() {
    syncPhotos();
    if (m_segment == kCoverFlow) {
        m_flow->reloadData();
        if (!m_flowLoader->isActive()) selectedCoverFlow(m_flow->selectedIndex());
    } else if (m_segment == kGrid) {
        const GridGeometry::Range range = m_grid->visibleItemRange();
        loadGridRange(range.first, range.count);
    }
}

void PreviewPanes::checksChanged() {
    syncPhotos();
    m_grid->viewport()->update();
    m_coverList->viewport()->update();
    if (m_segment == kCoverFlow) m_flow->reloadData();
}

void PreviewPanes::nodesFreed() {
    m_flowLoader->waitForNodes();
    m_gridLoader->waitForNodes();
    m_cache.clear();
    m_photos.clear();
    m_flow->freeCache();
    m_flow->reloadData();
}

void PreviewPanes::changeNoValue(bool hasValues, const QString& noteKey) {
    if (hasValues || (m_gridNote && m_gridNoteKey != noteKey)) {
        delete m_gridNote;
        m_gridNote = nullptr;
    }
    if (hasValues || m_gridNote) return;
    m_gridNoteKey = noteKey;
    m_gridNote = new GridNote(m_grid, noteKey);
    m_gridNote->setGeometry(0, 0, m_grid->width(), std::max(m_grid->height() - 1, 0));
    m_gridNote->show();
}

void PreviewPanes::selectedCoverFlow(int index) {
    m_flow->setSelectedIndex(index);
    m_flowSelectedIndex = m_flow->selectedIndex();
    m_flowLoader->newGeneration();
    const int items = static_cast<int>(m_photos.size());
    int first = 0;
    int end = items;
    if (items >= kFlowAllBelow) {
        first = std::max(0, m_flowSelectedIndex - kFlowSpan / 2);
        end = std::min(items, m_flowSelectedIndex + kFlowSpan / 2);
    }
    std::vector<ThumbnailJob> jobs;
    for (int i = first; i < end; ++i) {
        IFileNode* node = m_photos[static_cast<std::size_t>(i)];
        if (node && !m_cache.contains(node)) jobs.push_back({i, node});
    }
    m_flowLoader->load(std::move(jobs));
}

void PreviewPanes::loadGridRange(int first, int count) {
    if (m_segment != kGrid) return;
    m_gridLoader->setWantedRange(first, count);
    std::vector<ThumbnailJob> jobs;
    for (int i = first; i < first + count; ++i) {
        IFileNode* node = nodeAt(i);
        if (node && !m_cache.contains(node)) jobs.push_back({i, node});
    }
    m_gridLoader->load(std::move(jobs));
}

void PreviewPanes::showThumbnail(quint64 generation, int index, IFileNode* node, const QImage& image, bool real) {
    auto* loader = qobject_cast<ThumbnailLoader*>(sender());
    // A thumbnail of rows that have changed since it was asked for.
    if (!loader || generation != loader->generation() || nodeAt(index) != node) return;
    m_cache.insert(node, QPixmap::fromImage(image), real);
    if (loader == m_gridLoader.get()) {
        m_grid->update(m_list->index(index, FileListModel::kName));
    } else {
        m_flow->reloadCellDataAtIndex(index);
    }
}

int PreviewPanes::realThumbnailsShown() const {
    int shown = 0;
    auto isReal = [this](IFileNode* node) {
        const ThumbnailCache::Entry* entry = node ? const_cast<ThumbnailCache&>(m_cache).find(node) : nullptr;
        return entry && entry->real;
    };
    if (m_segment == kGrid) {
        const GridGeometry geometry = m_grid->gridGeometry();
        const GridGeometry::Range range = geometry.visibleItemRange();
        const QRect sight = m_grid->sightRect();
        for (int i = range.first; i < range.first + range.count; ++i)
            if (geometry.rectForItem(i).intersects(sight) && isReal(nodeAt(i))) ++shown;
    } else if (m_segment == kCoverFlow) {
        const int items = static_cast<int>(m_photos.size());
        const int centre = m_flow->selectedIndex();
        for (int i = std::max(0, centre - 5); i <= std::min(items - 1, centre + 5); ++i)
            if (isReal(m_photos[static_cast<std::size_t>(i)])) ++shown;
    }
    return shown;
}

bool PreviewPanes::previewSettled() const {
    if (m_segment == kGrid) return !m_gridLoader->isActive();
    if (m_segment == kCoverFlow) return !m_flowLoader->isActive();
    return true;
}

}  // namespace app::thumbview
