#pragma once
// The wizard's first page: six category tiles, the all-types box and Start. It opens with every
// category chosen; Start is enabled while at least one is.

#include <QWidget>

#include <array>

#include "app/wizard/TypeSelection.h"

class QCheckBox;

namespace app {

class TCImageButton;
class TypeButton;

class QNSelectTypeViewController : public QWidget {
    Q_OBJECT
public:
    explicit QNSelectTypeViewController(QWidget* parent = nullptr);

    const TypeSelection& selection() const { return m_selection; }
    TCImageButton* startScanButton() const { return m_start; }
    TypeButton* tile(unsigned value) const;
    // While the device list is made after Start: Start shows it is busy and takes no clicks.
    void setBusy(bool busy);

    void allTypesButtonClick();

signals:
    void beginToStartScan();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void selectButtonClick(TypeButton* tile, unsigned value);
    void refresh();

    TypeSelection m_selection;
    std::array<TypeButton*, 6> m_tiles{};
    QCheckBox* m_allTypes = nullptr;
    TCImageButton* m_start = nullptr;
    bool m_busy = false;
};

}  // namespace app
