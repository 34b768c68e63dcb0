#pragma once
// Gives the installed model its thumbnails: the system's decoders at the previews' size, over
// the model's scan, recovery and filter; the same decoder gives the type list its icons.

namespace app::thumbview {

// Once per model (a model that has thumbnails keeps them). After the model is installed.
void InstallThumbnails();

}  // namespace app::thumbview
