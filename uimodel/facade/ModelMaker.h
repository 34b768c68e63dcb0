#pragma once
// The one place the model is put together: the scan over a device list, its recovery, the
// results-file driver, the shared type and time trees, and the thumbnails over a decoder the
// application hands in. The program's hook, the application's tests and the gallery install
// theirs here; the facade then drives it.
class IEnumDeviceEx;

namespace uimodel {

class IThumbnailDecoder;

/// Installs, as the facade's model, a model over `pEnumerator`'s devices (a disk image's for the
/// test hook), listed at once. Kept for the process's life: the scan's threads are not joined
/// when the process ends. False, installing nothing and freeing the enumerator, when the list
/// fails or is not ready at once; false for null.
bool InstallModelOver(IEnumDeviceEx* pEnumerator);

/// Gives the installed model its thumbnails over `decoder` (also the type tree's icons); once,
/// later calls change nothing. The decoder lives as long as the process.
void InstallThumbnailDecoder(IThumbnailDecoder& decoder);

}  // namespace uimodel
