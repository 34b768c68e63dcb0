#pragma once
// One node of an HFS+ B-tree (catalog, extents overflow, attributes), big-endian.
//
// Node descriptor (14 bytes at the node's start):
//   0 fLink (4), 4 bLink (4), 8 kind (1: 0xFF leaf, 0 index, 1 header, 2 map), 9 height (1),
//   10 numRecords (2), 12 reserved (2)
// The node ends with a table of u16 record offsets counted backwards: record i starts at the
// u16 at nodeSize - 2 x (i + 1); record 0 starts at 14; the entry after the last record is the
// start of free space. A record runs up to the next record's offset.
//
// Header record (record 0 of node 0, 106 bytes):
//   0 treeDepth (2), 2 rootNode (4), 6 leafRecords (4), 10 firstLeafNode (4), 14 lastLeafNode (4),
//   18 nodeSize (2), 20 maxKeyLength (2), 22 totalNodes (4), 26 freeNodes (4), 32 clumpSize (4),
//   36 btreeType (1), 37 keyCompareType (1: 0xCF case folding, 0xBC binary), 38 attributes (4)
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ByteView.h"

namespace hfsplus {

constexpr std::size_t kNodeDescriptorSize = 14;
constexpr std::size_t kHeaderRecordSize = 106;
constexpr std::uint32_t kMinNodeSize = 512;
constexpr std::uint32_t kMaxNodeSize = 32 * 1024;
constexpr std::int8_t kKindLeaf = -1;
constexpr std::int8_t kKindIndex = 0;
constexpr std::int8_t kKindHeader = 1;
constexpr std::int8_t kKindMap = 2;
constexpr std::uint8_t kCompareCaseFolding = 0xCF;
constexpr std::uint8_t kCompareBinary = 0xBC;
/// B-trees of HFS+ are at most 8 levels deep in practice; beyond this a walk is following a loop.
constexpr std::uint32_t kMaxTreeDepth = 16;

struct BTNodeDescriptor {
    std::uint32_t u32FLink = 0;
    std::uint32_t u32BLink = 0;
    std::int8_t s8Kind = 0;
    std::uint8_t u8Height = 0;
    std::uint16_t u16NumRecords = 0;
    std::uint16_t u16Reserved = 0;
};

struct BTHeaderRec {
    std::uint16_t u16TreeDepth = 0;
    std::uint32_t u32RootNode = 0;
    std::uint32_t u32LeafRecords = 0;
    std::uint32_t u32FirstLeafNode = 0;
    std::uint32_t u32LastLeafNode = 0;
    std::uint16_t u16NodeSize = 0;
    std::uint16_t u16MaxKeyLength = 0;
    std::uint32_t u32TotalNodes = 0;
    std::uint32_t u32FreeNodes = 0;
    std::uint8_t u8BTreeType = 0;
    std::uint8_t u8KeyCompareType = 0;
    std::uint32_t u32Attributes = 0;
};

/// The header record at `bytes` (record 0 of node 0); nullopt when 106 bytes do not fit.
std::optional<BTHeaderRec> ReadHeaderRec(engine::ByteView bytes);
/// Whether a node size is one a tree can have: a power of two from 512 to 32 KiB.
bool IsValidNodeSize(std::uint32_t u32NodeSize);

/// Whether `bytes` (a whole node) can be read: a valid size, a known kind with its height
/// (leaf 1, header 0), record 0 at 14, an offset table that fits the node, and offsets rising
/// strictly and ending before the table. Rising offsets reject duplicates and overlaps.
bool IsValidNode(engine::ByteView bytes);

/// A node's bytes (owned) with its checked descriptor and record table.
class CHFSPlusBTNode {
public:
    /// Takes the bytes; Valid() tells whether they passed IsValidNode.
    explicit CHFSPlusBTNode(std::vector<std::uint8_t> bytes);

    bool Valid() const { return m_descriptor.has_value(); }
    /// The descriptor; a zeroed one when the node is not valid.
    BTNodeDescriptor const& Descriptor() const;
    std::uint16_t GetRecordCount() const { return Valid() ? m_descriptor->u16NumRecords : 0; }
    bool IsLeaf() const { return Valid() && m_descriptor->s8Kind == kKindLeaf; }
    bool IsIndex() const { return Valid() && m_descriptor->s8Kind == kKindIndex; }
    /// Record `u16Index` from its offset up to the next; empty when out of range.
    engine::ByteView GetRecord(std::uint16_t u16Index) const;
    engine::ByteView Bytes() const { return engine::ByteView(m_bytes.data(), m_bytes.size()); }

private:
    std::vector<std::uint8_t> m_bytes;
    std::optional<BTNodeDescriptor> m_descriptor;
};

/// Which tree a leaf found outside any tree belongs to, judged by its records: 4 catalog (a
/// valid thread, folder or file record answers at once), 8 attributes (fork-data or extents
/// attribute records), 3 extents (64-byte records), 0 when nothing tells; 0 for a node that
/// is not valid.
std::uint32_t TestNodeBelongToFile(CHFSPlusBTNode const& node);

}  // namespace hfsplus
