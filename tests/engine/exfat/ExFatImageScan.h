#pragma once
// Quick and complete scans of the exFAT images that tests/fixtures/exfat/make_images.sh builds
// with the real tools, through the controllers as the application runs them, with the found
// tree flattened to paths and each file copied out through the controller's copy-out.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "engine/IRecoveryController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "support/EntryPointScope.h"
#include "support/Manifest.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/ProgressSink.h"

class CExFatCompleteSearch;

namespace exfattest {

using testsupport::ManifestEntry;

/// The folder the fixture wrote the images to; empty when the fixture did not run.
std::string ImageFolder();
/// Path -> entry of a manifest file written by the image script; empty when it is missing.
inline std::map<std::string, ManifestEntry> LoadManifest(std::string const& path) {
    return testsupport::ReadManifest(path);
}

/// An image the fixture built, read whole so that single entries of its folders can be patched
/// the way damaged or unusual volumes have them; a patched entry set gets its checksum
/// recomputed, as a file system writing it would.
class ImagePatch {
public:
    /// Reads `path`; Empty() when it cannot be read.
    explicit ImagePatch(std::string const& path);
    bool Empty() const { return m_bytes.empty(); }
    /// The offset of the file entry of the set, live or deleted, named `name` (at most 15
    /// characters); npos when there is none.
    std::size_t FindSet(std::u16string const& name) const;
    /// Writes `value`'s low `width` bytes at `offset`, little-endian.
    void Put(std::size_t offset, std::uint64_t value, int width);
    /// Recomputes the checksum of the entry at `offset` and the secondary entries it counts.
    void Seal(std::size_t offset);
    bool Save(std::string const& path) const;

private:
    std::vector<std::uint8_t> m_bytes;
};

/// A quick scan of a volume, or a complete scan of a disk by the exFAT searcher alone.
enum class ScanKind { Quick, Complete };

class ImageScan {
public:
    /// Opens `devicePath` (an image file or a loop device) as a volume and quick-scans it, or as
    /// a disk and scans it completely.
    explicit ImageScan(std::string const& devicePath, ScanKind kind = ScanKind::Quick);
    ~ImageScan();

    /// Empty when the scan ran; otherwise what went wrong.
    std::string const& Error() const { return m_error; }
    /// Every shown node under the exFAT root by path ("/docs/readme.txt"); the lost-files
    /// folder's nodes start with "/Other lost files".
    std::multimap<std::string, IFileNode*> const& Nodes() const { return m_nodes; }
    /// The one node at `path`, or null when there is none or several.
    IFileNode* Find(std::string const& path) const;
    /// Copies a node out to `destination`; the copy's SHA-256, or empty on failure.
    std::string CopyOutHash(IFileNode* pNode, std::string const& destination);
    testkit::ProgressSink& Progress() { return m_progress; }
    /// The complete searcher of a complete scan, alive as long as the scan; null otherwise.
    CExFatCompleteSearch const* CompleteSearcher() const { return m_pCompleteSearcher; }

private:
    bool OpenQuick(std::string const& devicePath);
    bool OpenComplete(std::string const& devicePath);

    testsupport::EntryPointScope m_entryPoints;
    testkit::ProgressSink m_progress;
    testkit::CountingTreeSink m_sink;
    ReleasePtr<IRecoveryFilter> m_pFilter;
    ReleasePtr<IRecoveryController> m_pController;
    ReleasePtr<IDataRecovery> m_pCopyOut;
    std::unique_ptr<IStorageDevice> m_pDevice;
    std::multimap<std::string, IFileNode*> m_nodes;
    std::string m_error;
    CExFatCompleteSearch* m_pCompleteSearcher = nullptr;  // owned by the controller
};

}  // namespace exfattest
