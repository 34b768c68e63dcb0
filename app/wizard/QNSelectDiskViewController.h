#pragma once
// The wizard's second page: the disks with their volumes as a two-level outline; one disk or
// one volume is chosen (row 1 on opening); Back, Continue, a double-click or Return go on.

#include <QWidget>

#include <memory>
#include <vector>

#include "uimodel/trees/DiskVolumeNodeData.h"

class QLabel;
class QPushButton;
class QStandardItemModel;

namespace app {

class CustemOutlineView;
class TCImageButton;

class QNSelectDiskViewController : public QWidget {
    Q_OBJECT
public:
    using Disks = std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>>;

    explicit QNSelectDiskViewController(QWidget* parent = nullptr);
    ~QNSelectDiskViewController() override;

    // Shows `disks` (kept) and chooses row 1: the first volume of the first disk, else the first
    // disk; an empty list says so and leaves Continue disabled.
    void setDisks(Disks disks);
    // Shows `disks` listed again as devices came or went: the chosen device stays chosen
    // wherever its row moved to; when it went, nothing is chosen. On a page that listed nothing
    // it chooses as setDisks does.
    void updateDisks(Disks disks);
    // The chosen disk or volume; null when none is.
    uimodel::DiskVolumeNodeData* selectDiskVolume() const { return m_chosen; }
    // A copy of the choice for the results window, its parentName set.
    std::unique_ptr<uimodel::DiskVolumeNodeData> takeChoice() const;

    CustemOutlineView* outline() const { return m_outline; }
    TCImageButton* continueButton() const { return m_continue; }
    TCImageButton* backButton() const { return m_back; }
    // "Disk image…", beside Back and Continue: asks for an image file to list with the disks.
    QPushButton* diskImageButton() const { return m_diskImage; }
    // Chooses the item shown at `row` of the outline (visual rows, disks and volumes); -1 or an
    // empty area chooses nothing.
    void chooseRow(int row);
    // Chooses row `offset` of the disk listed with index `diskIndex` (0 the disk itself, 1 its
    // first volume); false, choosing nothing, when there is no such row.
    bool chooseDiskRow(int diskIndex, int offset);
    // The outline row of the disk with index `diskIndex`; -1 when it is not listed.
    int rowOfDisk(int diskIndex) const;

signals:
    void doubleClickedListToScan();
    void backHomeButtonAction();
    void diskImageRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(uimodel::DiskVolumeNodeData* item, int row);
    void showDisks(Disks disks);
    int shownRowOf(const QModelIndex& index) const;

    Disks m_disks;
    uimodel::DiskVolumeNodeData* m_chosen = nullptr;
    std::vector<uimodel::DiskVolumeNodeData*> m_rows;  // by the model's row order, disks then their volumes
    QStandardItemModel* m_model = nullptr;
    CustemOutlineView* m_outline = nullptr;
    QLabel* m_empty = nullptr;
    TCImageButton* m_back = nullptr;
    TCImageButton* m_continue = nullptr;
    QPushButton* m_diskImage = nullptr;
};

}  // namespace app
