#include "app/wizard/QNSelectTypeViewController.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "app/base/Strings.h"
#include "app/controls/QNProgressView.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TypeButton.h"

namespace app {

namespace {

struct TileRow {
    unsigned value;
    const char* image;
    const char* caption;
};

// In the page's reading order.
constexpr TileRow kTiles[] = {
    {1, "icon_graphics", "PAGE_TWO_PICTURE_TITLE"},   {2, "icon_audio", "PAGE_TWO_MUSIC_TITLE"},
    {4, "icon_video", "PAGE_TWO_MOVIE_TITLE"},        {8, "icon_archive", "PAGE_TWO_ARCHIVE_TITLE"},
    {16, "icon_document", "PAGE_TWO_DOCUMENT_TITLE"}, {32, "icon_other", "PAGE_TWO_OTHER_TITLE"},
};

}  // namespace

QNSelectTypeViewController::QNSelectTypeViewController(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* middle = new QLabel(this);
    middle->setTextFormat(Qt::PlainText);
    middle->setText(Text(QStringLiteral("PAGE_TWO_MIDLLE_STRING")));
    middle->setAlignment(Qt::AlignCenter);
    // The page's top area lies on the dark backdrop.
    auto* top = new SelectTypeTopView(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->addWidget(middle);
    layout->addWidget(top);

    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < std::size(kTiles); ++i) {
        const TileRow& row = kTiles[i];
        auto* tile = new TypeButton(this);
        const QString image = QLatin1String(row.image);
        tile->setImageFromFileNormalName(image + "_normal", image + "_press", image + "_hover", image + "_disable");
        tile->setTextWithName(Text(QLatin1String(row.caption)));
        tile->setAccessibleName(Text(QLatin1String(row.caption)));
        tile->setFocusPolicy(Qt::StrongFocus);
        connect(tile, &QAbstractButton::clicked, this,
                [this, tile, value = row.value] { selectButtonClick(tile, value); });
        grid->addWidget(tile, 0, static_cast<int>(i), Qt::AlignCenter);
        m_tiles[i] = tile;
    }
    layout->addLayout(grid);

    m_allTypes = new QCheckBox(Text(QStringLiteral("PAGE_TWO_ALLTYPES")), this);
    m_allTypes->setTristate(true);
    // The box's state follows the tiles; a click only asks for the cycle.
    connect(m_allTypes, &QCheckBox::clicked, this, [this] { allTypesButtonClick(); });
    layout->addWidget(m_allTypes, 0, Qt::AlignCenter);

    m_start = new TCImageButton(this);
    m_start->setImageFamily(QStringLiteral("start"));
    m_start->setAccessibleName(QStringLiteral("Start"));
    m_start->setFocusPolicy(Qt::StrongFocus);
    connect(m_start, &QAbstractButton::clicked, this, [this] {
        if (!m_busy && m_selection.StartEnabled()) emit beginToStartScan();
    });
    layout->addWidget(m_start, 0, Qt::AlignCenter);
    refresh();
}

TypeButton* QNSelectTypeViewController::tile(unsigned value) const {
    for (std::size_t i = 0; i < std::size(kTiles); ++i)
        if (kTiles[i].value == value) return m_tiles[i];
    return nullptr;
}

void QNSelectTypeViewController::setBusy(bool busy) {
    m_busy = busy;
    setCursor(busy ? Qt::BusyCursor : Qt::ArrowCursor);
    refresh();
}

void QNSelectTypeViewController::allTypesButtonClick() {
    m_selection.ClickAllBox();
    refresh();
}

void QNSelectTypeViewController::selectButtonClick(TypeButton*, unsigned value) {
    m_selection.ToggleTile(value);
    refresh();
}

void QNSelectTypeViewController::refresh() {
    for (std::size_t i = 0; i < std::size(kTiles); ++i) m_tiles[i]->changeSelect(m_selection.IsChosen(kTiles[i].value));
    const TypeSelection::Box box = m_selection.BoxState();
    m_allTypes->setCheckState(box == TypeSelection::Box::All    ? Qt::Checked
                              : box == TypeSelection::Box::None ? Qt::Unchecked
                                                                : Qt::PartiallyChecked);
    const bool enabled = m_selection.StartEnabled() && !m_busy;
    m_start->setButtonEnabled(enabled);
    m_start->setEnabled(enabled);
}

void QNSelectTypeViewController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_start->isEnabled()) m_start->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace app
