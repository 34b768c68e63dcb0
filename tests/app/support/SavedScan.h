#pragma once
// A scan of a small FAT32 card image saved to a results file, as the tests that load results
// files need one; and the results window such a load opened, checked and closed.
#include <cstdint>
#include <string>

namespace app::results {
class QNDeletailWindowController;
}
namespace testsupport {
class TempDir;
}

namespace apptest {

// Formats a 20 MiB FAT32 image at `image` (mkfs.fat given `mkfsOptions` too) holding P1.TXT to
// P3.TXT, written through a file in `dir`, installs it as the hook's model, scans it and saves
// the scan to `saved`; `files` is how many files the scan found, three at least. The disk is
// scanned, or its volume with `volume`. Needs mkfs.fat and mcopy; fails the test (call it under
// ASSERT_NO_FATAL_FAILURE) when a step does.
void ScanAndSaveCard(const testsupport::TempDir& dir, const std::string& image, const std::string& mkfsOptions,
                     const std::string& saved, std::uint64_t& files, bool volume = false);

// The same for an image made already: installs it, scans it and saves the scan.
void ScanAndSave(const std::string& image, const std::string& saved, std::uint64_t& files, bool volume = false);

// Expects `window` to list `files` files, then stops the model's jobs and deletes the window.
void ExpectListedAndClose(app::results::QNDeletailWindowController* window, std::uint64_t files);

}  // namespace apptest
