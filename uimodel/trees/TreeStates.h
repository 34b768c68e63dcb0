#pragma once
// Counts and check states of the view-only rows (type and date groups) taken from the files
// beneath them: a group's "(N)" is its files, never its sub-groups, and a group is checked when
// all its files are, whichever tree they were checked in.
#include "uimodel/trees/OpNodeData.h"

namespace uimodel {

/// Sets the state of the row and of every view-only row below it from their shown files: 0 none
/// checked, 2 all (and at least one), else 1. Rows of engine nodes keep the engine's state. The
/// files counted on the way become the rows' counts (filesBelow).
void RefreshGroupStates(OpNodeData& row);

}  // namespace uimodel
