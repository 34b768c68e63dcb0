#pragma once
// The windowed reader through which analysers read a carved file from a device. It loads 129
// sectors at a time into one process-wide buffer and hands out bounds-checked views of the
// bytes it loaded; bytes past the device's end are never vouched for. Only the window loaded
// last is valid: a view must not be kept across a second call (of this or any other reader).
// Over the signature search's ring, a window that one block held holds is that block's bytes.
#include <cstdint>

#include "engine/ByteView.h"

class CBufferStorageDevice;
class IStorageDevice;

class RawFileBuffer {
public:
    /// Sectors per window; one more is loaded so that a read may run a sector past it.
    static constexpr std::uint32_t kWindowSectors = 128;
    static constexpr std::uint32_t kLoadSectors = kWindowSectors + 1;
    /// The shared buffer: 129 sectors of up to 4096 bytes.
    static constexpr std::uint32_t kBufferBytes = 0x81000;
    /// No file worth carving is this long: a walk along a file's structure gives up here.
    static constexpr std::uint64_t kMaxWalkBytes = 0xD000000;

    /// `pDevice` (not owned) may be null: then nothing is readable.
    RawFileBuffer(IStorageDevice* pDevice, std::uint64_t u64StartSector);

    /// Exactly `u32Length` bytes (at most the window size) from `u64Offset` bytes after the
    /// file's start; an empty view when the scan was stopped, the device cannot be read there,
    /// the range passes the device's end or the length is too large.
    engine::ByteView Read(std::uint64_t u64Offset, std::uint32_t u32Length);
    /// Up to `u32MaxLength` bytes from `u64Offset`: fewer where the device ends; empty when none.
    engine::ByteView ReadUpTo(std::uint64_t u64Offset, std::uint32_t u32MaxLength);
    /// One byte; false when it cannot be read.
    bool ReadByte(std::uint64_t u64Offset, std::uint8_t& u8Value);

    /// Bytes from the file's start to the device's end; UINT64_MAX when the device does not tell.
    std::uint64_t BytesToDeviceEnd() const;

    /// Window size in bytes: 128 sectors of the device (65536 without a device).
    std::uint32_t GetWindowSize() const { return m_u32WindowSize; }

private:
    /// Makes the loaded window cover [offset, offset + length) if the device allows; false when not.
    bool Load(std::uint64_t u64Offset, std::uint32_t u32Length);
    bool Covers(std::uint64_t u64Offset, std::uint64_t u64Length) const;

    /// A window seen where the ring holds it rather than loaded into the shared buffer.
    static constexpr std::uint64_t kHeldWindow = UINT64_MAX;

    IStorageDevice* m_pDevice;
    CBufferStorageDevice* m_pRing = nullptr;  // m_pDevice when it is the search's ring
    std::uint8_t const* m_pWindow = nullptr;  // the loaded window's bytes
    std::uint64_t m_u64StartSector;
    std::uint32_t m_u32SectorSize;
    std::uint32_t m_u32WindowSize;
    std::uint32_t m_u32LoadSectors;
    std::uint64_t m_u64DeviceSectors;     // the real device's size; 0 when it does not tell
    std::uint64_t m_u64LoadedOffset = 0;  // byte offset (from the file's start) of the window
    std::uint32_t m_u32LoadedBytes = 0;   // bytes of it that are valid
    std::uint64_t m_u64Generation = 0;    // the shared buffer's load that holds our window
};
