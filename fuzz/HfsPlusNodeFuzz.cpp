// An HFS+ B-tree node over arbitrary bytes, with every key and record reader on each of its
// records: the first byte picks the node size (512 to 32 KiB), the rest are the node, cut or
// zero-padded to it. No reader may leave the node; a record's data lies inside the record.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/hfsplus/ondisk/HfsPlusBTNode.h"
#include "engine/hfsplus/ondisk/HfsPlusRecords.h"

using namespace hfsplus;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 1) return 0;
    std::size_t const nodeSize = std::size_t{kMinNodeSize} << (pData[0] % 7);
    std::vector<std::uint8_t> bytes(pData + 1, pData + size);
    bytes.resize(nodeSize, 0);
    CHFSPlusBTNode const node(std::move(bytes));
    for (std::uint16_t i = 0; i < node.GetRecordCount(); ++i) {
        engine::ByteView const record = node.GetRecord(i);
        if (record.Data() < node.Bytes().Data() ||
            record.Data() + record.Size() > node.Bytes().Data() + node.Bytes().Size())
            __builtin_trap();
        engine::ByteView const data = RecordData(record);
        if (!data.Empty() && data.Data() + data.Size() != record.Data() + record.Size()) __builtin_trap();
        (void)ChildPointer(record);
        if (std::optional<CatalogKey> const key = ReadCatalogKey(record); key && key->name.size() > kMaxNameUnits)
            __builtin_trap();
        if (std::optional<CatalogRecord> const catalog = ReadCatalogRecord(data);
            catalog && catalog->threadName.size() > kMaxNameUnits)
            __builtin_trap();
        (void)IsValidCatalogThread(data);
        (void)ReadExtentKey(record);
        (void)ReadAttrKey(record);
        (void)ReadAttrInlineData(data);
    }
    return 0;
}
