#pragma once
// The right-hand side of the results window: the list, the cover flow over its own list, or
// the thumbnail grid, chosen by a three-segment switch. It keeps one cover-flow item per row
// (`photos`), the thumbnail cache and the two loaders: the cover flow's loads up to 200 items
// around the selection, the grid's the items in sight, each one thumbnail at a time.
#include <QWidget>

#include <memory>
#include <vector>

#include "app/thumbview/ThumbnailCache.h"
#include "app/thumbview/ThumbnailLoader.h"

class QButtonGroup;
class QStackedWidget;
class QAbstractButton;

namespace app {
class CustomTableView;
}

namespace app::results {
class FileListModel;
}

namespace app::thumbview {

class CNGridView;
class CoverFlowView;

class PreviewPanes : public QWidget {
    Q_OBJECT

public:
    enum Segment { kList = 0, kCoverFlow, kGrid };
    // Items loaded around the cover flow's selection, and the count below which all are.
    static constexpr int kFlowSpan = 200;
    static constexpr int kFlowAllBelow = 11;

    // Over the window's list model and its list view (which this takes into its first page);
    // `make` makes the thumbnails (the installed model's by default).
    PreviewPanes(results::FileListModel* list, QWidget* table, MakeThumbnail make = ModelThumbnails(),
                 QWidget* parent = nullptr);
    ~PreviewPanes() override;
    // Before the list model goes: the loaders end (waiting for the thumbnail in progress) and the
    // previews let go of the model. Nothing is shown afterwards.
    void shutDown();

    int segment() const { return m_segment; }
    // Shows a segment's view (nothing when it already shows); the caller refreshes the rest. Both
    // loaders stop either way.
    bool showSegment(int segment);
    // Both loaders drop what they were asked for, without waiting for the thumbnail in progress.
    void stopLoaders();
    void setSegmentEnabled(bool enabled);
    QAbstractButton* segmentButton(int segment) const;

    // The rows were replaced or reordered (folder chosen, sort, search): both loaders move to a
    // new generation without waiting, and the shown preview is rebuilt.
    void rowsChanged();
    // The same folder's rows grew during a scan.
    void rowsGrew();
    // Check states changed: one cover-flow item per row, the previews repaint.
    void checksChanged();
    // Before the rows' nodes are freed: waits for the thumbnails in progress and forgets them all.
    void nodesFreed();
    // The empty-list note on the grid (false shows it).
    void changeNoValue(bool hasValues, const QString& noteKey = QStringLiteral("DYD_FOUR_NO_VALUE_NOTE"));

    // The cover flow's selection moved to `index`: its loader restarts around it.
    void selectedCoverFlow(int index);

    CNGridView* gridView() const { return m_grid; }
    CoverFlowView* coverFlowView() const { return m_flow; }
    CustomTableView* coverFlowerTableView() const { return m_coverList; }
    QWidget* gridNoValueView() const { return m_gridNote; }
    ThumbnailLoader& gridLoader() { return *m_gridLoader; }
    ThumbnailLoader& flowLoader() { return *m_flowLoader; }
    ThumbnailCache& cache() { return m_cache; }
    const std::vector<IFileNode*>& photos() const { return m_photos; }
    // Items of the shown preview drawn now with a thumbnail decoded from their file.
    int realThumbnailsShown() const;
    // No thumbnail is queued or being made for the shown preview.
    bool previewSettled() const;

signals:
    // A grid check box or the cover list's check was clicked, or Space pressed in the grid.
    void checkToggleRequested(int row);
    // The user chose a segment.
    void segmentChosen(int segment);
    // Another segment's view shows.
    void segmentShown(int segment);

private:
    void buildCoverFlow();
    void buildGrid();
    void syncPhotos();
    void loadGridRange(int first, int count);
    void showThumbnail(quint64 generation, int index, IFileNode* node, const QImage& image, bool real);
    QPixmap thumbnailOf(int row);
    IFileNode* nodeAt(int row) const;

    results::FileListModel* m_list;
    QStackedWidget* m_stack = nullptr;
    QButtonGroup* m_segments = nullptr;
    CoverFlowView* m_flow = nullptr;
    CustomTableView* m_coverList = nullptr;
    CNGridView* m_grid = nullptr;
    QWidget* m_gridNote = nullptr;
    QString m_gridNoteKey;
    std::unique_ptr<ThumbnailLoader> m_flowLoader;
    std::unique_ptr<ThumbnailLoader> m_gridLoader;
    ThumbnailCache m_cache;
    std::vector<IFileNode*> m_photos;
    int m_segment = kList;
    int m_flowSelectedIndex = 0;
};

}  // namespace app::thumbview
