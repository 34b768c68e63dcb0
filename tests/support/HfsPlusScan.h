#pragma once
// The macOS-made HFS+ volume of the shared fixtures, held in memory so that tests can patch it,
// and a quick scan of such bytes with every file found flattened to its path and readable
// through copy-out's file reader.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/IFileNode.h"
#include "engine/IPartitionTableAnalyze.h"
#include "engine/IStorageDevice.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/hfsplus/HfsPlusQuickSearch.h"
#include "testkit/ProgressSink.h"
#include "testkit/RecordingTreeBuilder.h"

namespace hfsplustest {

/// The fixture image's path; it is read in place, never copied into the project.
std::string MacImagePath();
/// The image's bytes; empty when the shared fixtures are absent.
std::vector<std::uint8_t> LoadMacImage();

/// Path below the volume's root folder -> SHA-256 of what 7zz extracts from `image` into `dir`
/// (`type` an option such as "-thfs", or empty). Extended attributes ("name:attr") are not files
/// and are left out; resource forks ("name:rsrc") stay; a link is hashed by its target text.
std::map<std::string, std::string> SevenZipFiles(std::string const& image, std::string const& type,
                                                 std::string const& dir);
/// Writes the bytes as a new image file.
void WriteImage(std::string const& path, std::vector<std::uint8_t> const& bytes);

/// The first partition of `disk`'s table at whose start the HFS+ analyser recognises a volume;
/// nullopt when none.
std::optional<PartitionEntry> FindHfsPartition(IStorageDevice& disk);

/// Rewrites the fixture's file `name` (one block) as a fragmented file of ten free blocks taken
/// in reverse order: eight extents in its catalog record and two in a new leaf of the extents
/// overflow tree, as TN1150 lays them out; the blocks get a pattern and are marked in use.
/// False when the image does not look like the fixture.
bool FragmentFile(std::vector<std::uint8_t>& image, std::u16string const& name);

/// Makes the fixture's "a_file" (the one file with an extended attribute) a compressed file of
/// decmpfs `u32Type` holding `data`: that attribute becomes "com.apple.decmpfs", the catalog
/// record gets the compressed owner flag and loses its data fork, and the resource kinds' fork
/// goes into free blocks, with `bFragmentFork` in ten extents, two of them in the extents
/// overflow tree. False when the image does not look like the fixture.
bool CompressFile(std::vector<std::uint8_t>& image, std::uint32_t u32Type, std::vector<std::uint8_t> const& data,
                  bool bFragmentFork = false);

/// Turns the fixture into an HFSX volume: signature "HX", version 5, binary name order in
/// its catalog. The walk must not depend on the order, and the fixture's names are few.
void MakeHfsx(std::vector<std::uint8_t>& image);

/// Facts of the fixture image that the patching tests rely on.
constexpr std::size_t kMacBlockSize = 4096;
constexpr std::size_t kMacCatalogStart = 186 * kMacBlockSize;  // the catalog's one extent
constexpr std::size_t kMacCatalogNodeSize = 4096;
constexpr std::uint32_t kMacCatalogRoot = 1;  // a leaf: the tree is one level deep

class VolumeScan {
public:
    /// Quick-scans `bytes` as a volume device of `iSectorSize`-byte sectors; with `iStopAfter`,
    /// the progress sink asks to stop from its n-th question on.
    VolumeScan(std::vector<std::uint8_t> bytes, int iSectorSize, int iStopAfter = 0);
    /// Quick-scans the window of `s64Sectors` sectors from `s64Start` of `pDisk` (an opened
    /// disk), as the scan of a partition of a disk image reads it.
    VolumeScan(std::unique_ptr<IStorageDevice> pDisk, long long s64Start, long long s64Sectors);

    RESULT Result() const { return m_result; }
    /// Every live node by its path below the volume's root folder ("/a_directory/a_file").
    std::map<std::string, IFileNode*> const& Nodes() const { return m_nodes; }
    /// Every deleted node by its path, which a live node may have too.
    std::map<std::string, IFileNode*> const& Deleted() const { return m_deleted; }
    testkit::ProgressSink& Progress() { return m_progress; }
    testkit::RecordingTreeBuilder& Builder() { return m_builder; }
    /// The node's bytes as copy-out reads them; nullopt when the reader will not open or read.
    std::optional<std::vector<std::uint8_t>> ReadFile(IFileNode* pNode);
    /// Copies the node out to `path` as a recovery does, with copy-out's answer.
    RESULT RecoverTo(IFileNode* pNode, std::string const& path);
    /// The device scanned: the volume, or the partition's window.
    IStorageDevice& Device() { return *m_pDevice; }

private:
    void Scan();

    std::unique_ptr<IStorageDevice> m_pDisk;
    std::unique_ptr<IStorageDevice> m_pDevice;
    testkit::RecordingTreeBuilder m_builder;
    testkit::ProgressSink m_progress;
    CHFSPlusQuickFileSystemSearchController m_searcher;
    std::unique_ptr<CSearchedPartitionInfo> m_pPartition;
    std::map<std::string, IFileNode*> m_nodes;
    std::map<std::string, IFileNode*> m_deleted;
    RESULT m_result = kResultSuccess;
};

}  // namespace hfsplustest
