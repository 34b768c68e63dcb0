#pragma once
// The test hook's views of the results window's trees and progress, read from the window's own
// models as the outlines and the bar draw them: --check REL clicks a path-tree row's box,
// --print-trees prints every row of the four trees, --progress prints each change of the bar
// and what the window shows.

#include <QString>

namespace app {

namespace results {
class QNDeletailWindowController;
}

// Checks the path-tree row reached from the first volume's root by the "/"-separated names of
// `rel`, as a click on its box would; false (with a warning) when no row has those names.
bool CheckPathRow(results::QNDeletailWindowController* window, const QString& rel);

// One line per row of each tree, in the outline's order: TREE<TAB>view<TAB>depth<TAB>label<TAB>state.
void PrintTrees(results::QNDeletailWindowController* window);

// From now on, a PROGRESS line each time the window's progress display shows something new, an
// ENDED line when the scan ends, a SHOWN line (object name, window id) for each dialog opened and
// a FOCUS line (window id) each time another window becomes the active one, a NOTICE diskFull line
// (the progress dialog's id) each time the recovery's disk-full notice comes; a STATE line (phase,
// kind) at each change of the scan's state, a VIEW line (list, coverflow, grid) each time another
// view shows, and a SEARCH line (the model's search, the field's text, the list's rows and its
// note) each time a search's hits or the whole scan after it show.
void FollowProgress(results::QNDeletailWindowController* window);

}  // namespace app
