#pragma once
// The dark list look's colours (device RGB): the shared palette's from the theme, and the few
// only the lists use.

#include <QColor>

#include "app/controls/Theme.h"

namespace app::list_palette {

inline QColor RowFill() { return theme::kListRow; }          // unselected rows; header gradient
inline QColor Selected() { return theme::kHighlightedRow; }  // the highlighted row
inline QColor BandLight() { return theme::kListBand; }       // even background bands
inline QColor BandDark() { return theme::kBackdrop; }        // odd background bands
inline QColor NoteText() { return {152, 164, 208}; }         // the empty-list note
inline QColor HeaderText() { return {160, 170, 211}; }       // titles of the dark header
inline QColor CellText() { return {214, 218, 230}; }         // names in the rows
inline QColor TileCaption() { return {141, 150, 185}; }      // file-type tile captions

constexpr int kBandHeight = 39;

}  // namespace app::list_palette
