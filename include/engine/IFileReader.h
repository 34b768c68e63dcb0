#pragma once
// Random access by byte offset to the data of one found file node.
#include <cstdint>

/// A resident value lives inside one FILE record, which is never larger than this.
inline constexpr std::uint32_t kMaxResidentValue = 0x10000;

class IFileReader {
public:
    virtual ~IFileReader() = default;
    /// Bytes read into `pDestination`, 0 on failure.
    virtual unsigned int ReadData(long long s64Offset, char* pDestination, unsigned int u32Length) = 0;
    /// A new reader of the same class and state; the caller releases it.
    virtual IFileReader* Clone() = 0;
    /// The node's data size in bytes.
    virtual long long GetDataSize() const = 0;
    /// The bytes a copy of the node writes: the data size, or less where the node's data ends
    /// before it (runs shorter than a damaged recorded size). What a destination must hold.
    virtual long long GetWritableSize() const { return GetDataSize(); }
    virtual int IsCompressFile() = 0;
    virtual void Release() = 0;
};

/// A closed reader of NTFS-compressed data (compression units expanded through LZNT1); the
/// caller releases it.
IFileReader* CreateNtfsCompressFileReader();
