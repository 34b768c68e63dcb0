#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"

#include "engine/core/bytes/CheckedMath.h"

namespace hfsplus {

namespace {

BTNodeDescriptor ReadDescriptor(engine::ByteView bytes) {
    BTNodeDescriptor descriptor;
    descriptor.u32FLink = bytes.Be32(0);
    descriptor.u32BLink = bytes.Be32(4);
    descriptor.s8Kind = static_cast<std::int8_t>(bytes.U8(8));
    descriptor.u8Height = bytes.U8(9);
    descriptor.u16NumRecords = bytes.Be16(10);
    descriptor.u16Reserved = bytes.Be16(12);
    return descriptor;
}

/// The offset of record `index` from the table at the node's end.
std::size_t RecordOffset(engine::ByteView node, std::size_t index) { return node.Be16(node.Size() - 2 * (index + 1)); }

}  // namespace

std::optional<BTHeaderRec> ReadHeaderRec(engine::ByteView bytes) {
    if (!bytes.Has(0, kHeaderRecordSize)) return std::nullopt;
    BTHeaderRec header;
    header.u16TreeDepth = bytes.Be16(0);
    header.u32RootNode = bytes.Be32(2);
    header.u32LeafRecords = bytes.Be32(6);
    header.u32FirstLeafNode = bytes.Be32(10);
    header.u32LastLeafNode = bytes.Be32(14);
    header.u16NodeSize = bytes.Be16(18);
    header.u16MaxKeyLength = bytes.Be16(20);
    header.u32TotalNodes = bytes.Be32(22);
    header.u32FreeNodes = bytes.Be32(26);
    header.u8BTreeType = bytes.U8(36);
    header.u8KeyCompareType = bytes.U8(37);
    header.u32Attributes = bytes.Be32(38);
    return header;
}

bool IsValidNodeSize(std::uint32_t u32NodeSize) {
    return engine::IsPowerOfTwoBetween(u32NodeSize, kMinNodeSize, kMaxNodeSize);
}

bool IsValidNode(engine::ByteView bytes) {
    if (!IsValidNodeSize(static_cast<std::uint32_t>(bytes.Size()))) return false;
    BTNodeDescriptor const descriptor = ReadDescriptor(bytes);
    switch (descriptor.s8Kind) {
        case kKindLeaf:
            if (descriptor.u8Height != 1) return false;
            break;
        case kKindHeader:
            if (descriptor.u8Height != 0) return false;
            break;
        case kKindIndex:
        case kKindMap:
            break;
        default:
            return false;
    }
    // The descriptor and one offset per record plus the free-space offset must fit.
    std::size_t const numRecords = descriptor.u16NumRecords;
    std::size_t const tableBytes = 2 * (numRecords + 1);
    if (kNodeDescriptorSize + tableBytes > bytes.Size()) return false;
    if (RecordOffset(bytes, 0) != kNodeDescriptorSize) return false;
    std::size_t const tableStart = bytes.Size() - tableBytes;
    std::size_t previous = kNodeDescriptorSize;
    for (std::size_t i = 1; i <= numRecords; ++i) {
        std::size_t const offset = RecordOffset(bytes, i);
        if (offset <= previous || offset > tableStart) return false;
        previous = offset;
    }
    return true;
}

CHFSPlusBTNode::CHFSPlusBTNode(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {
    if (IsValidNode(Bytes())) m_descriptor = ReadDescriptor(Bytes());
}

BTNodeDescriptor const& CHFSPlusBTNode::Descriptor() const {
    static BTNodeDescriptor const kNone;
    return m_descriptor ? *m_descriptor : kNone;
}

engine::ByteView CHFSPlusBTNode::GetRecord(std::uint16_t u16Index) const {
    if (u16Index >= GetRecordCount()) return {};
    engine::ByteView const node = Bytes();
    std::size_t const begin = RecordOffset(node, u16Index);
    std::size_t const end = RecordOffset(node, std::size_t{u16Index} + 1);
    return node.Sub(begin, end - begin);  // IsValidNode made the offsets rise inside the node
}

}  // namespace hfsplus
