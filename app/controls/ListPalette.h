#pragma once
// The dark list look's colours (device RGB). They belong with the application's theme; the
// lists keep them here, named once, until the theme holds them.

#include <QColor>

namespace app::list_palette {

inline QColor RowFill() { return {32, 36, 39}; }        // unselected rows; header gradient
inline QColor Selected() { return {9, 40, 76}; }        // the highlighted row
inline QColor BandLight() { return {39, 43, 47}; }      // even background bands
inline QColor BandDark() { return {37, 41, 45}; }       // odd background bands
inline QColor NoteText() { return {152, 164, 208}; }    // the empty-list note
inline QColor HeaderText() { return {160, 170, 211}; }  // titles of the dark header
inline QColor CellText() { return {214, 218, 230}; }    // names in the rows
inline QColor FocusRing() { return {92, 132, 196}; }    // outline of the focused row
inline QColor TileCaption() { return {141, 150, 185}; } // file-type tile captions

constexpr int kBandHeight = 39;

}  // namespace app::list_palette
