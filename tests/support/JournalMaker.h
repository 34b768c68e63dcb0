#pragma once
// Deletions as a journaled HFS+ volume leaves them, made on the macOS fixture: the live leaf
// loses records (or has them moved), and a journal (TN1150: info block, little-endian header,
// a transaction of one block list) keeps the leaves as they were before.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace hfsplustest {

using Bytes = std::vector<std::uint8_t>;
/// The records of one leaf node, each key and data together.
using LeafRecords = std::vector<Bytes>;

/// The records of the node of `nodeSize` bytes at image offset `at`.
LeafRecords ReadLeafRecords(Bytes const& image, std::size_t at, std::size_t nodeSize);
/// Rewrites node `u32Node` of the tree at image offset `treeAt` as a leaf of `records`, and
/// its header record's leaf count. Catalog records are sorted in the catalog's order and the
/// volume header's file and folder counts follow them.
bool WriteLeafRecords(Bytes& image, std::size_t treeAt, std::uint32_t u32Node, std::size_t nodeSize,
                      LeafRecords records, bool bCatalog);

/// The id of the catalog file or folder record named `name`; 0 when there is none.
std::uint32_t CatalogID(LeafRecords const& records, std::u16string const& name);
/// Drops the file and folder records of `ids` and their thread records.
void DropCatalogItems(LeafRecords& records, std::set<std::uint32_t> const& ids);
/// Drops the attribute records of the file `u32FileID`.
void DropAttributes(LeafRecords& records, std::uint32_t u32FileID);
/// Moves the item `u32ID` into the folder `u32Parent` as `name` (its record's key and its
/// thread record).
void MoveCatalogItem(LeafRecords& records, std::uint32_t u32ID, std::uint32_t u32Parent, std::u16string const& name);
/// A new folder `u32NewID` named `name` in `u32Parent`, made from the folder record of `u32Like`.
void AddFolder(LeafRecords& records, std::uint32_t u32Like, std::uint32_t u32NewID, std::uint32_t u32Parent,
               std::u16string const& name);
/// Turns the file `u32ID` into a hard link as macOS makes them: the file moves into the
/// private-data folder `u32PrivateData` as "iNode<id>", and a new record `u32LinkID` of type
/// "hlnk", creator "hfs+", no forks and the iNode number in its special field takes its place.
void MakeHardLink(LeafRecords& records, std::uint32_t u32ID, std::uint32_t u32LinkID, std::uint32_t u32PrivateData);
/// Gives the file `u32ID` the id `u32NewID` and the data fork of the file `u32ForkOf`: a new
/// file that took the old one's name.
void ReplaceCatalogFile(LeafRecords& records, std::uint32_t u32ID, std::uint32_t u32NewID, std::uint32_t u32ForkOf);

struct JournalBlock {
    std::size_t volumeOffset = 0;
    Bytes bytes;
};

/// Where the transaction lies in the ring, and how the journal lies about it.
enum class Placement {
    Plain,             // after the journal header; end just past it
    CrossesRingEnd,    // the block list header starts 2 KiB before the ring's end
    EndEqualsStart,    // start moved up to end: the ring looks empty
    HostileEnd,        // end at an odd byte inside the transaction
    HostileBlockSize,  // a first entry claiming 0x7FFFFFFF bytes
};

/// Gives the fixture a 64 KiB journal in free blocks holding `blocks` in one transaction, and
/// marks the volume journaled. False when the image does not look like the fixture.
bool AddJournal(Bytes& image, std::vector<JournalBlock> const& blocks, Placement placement);

}  // namespace hfsplustest
