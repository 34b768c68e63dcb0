#pragma once
// The user's settings that the controls follow, read through the model's settings seam.

namespace app {

// "AppleMiniaturizeOnDoubleClick": a double click on a title bar miniaturises the window only
// when this reads as true ("1", "true", "yes"); unset means no.
bool MiniaturizeOnDoubleClick();

}  // namespace app
