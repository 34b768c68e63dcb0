#pragma once
// The content of a results file: up to seven frames inside the engine's archive (IRSData), written
// in this order, every integer little-endian, fields written one after another without padding.
// The first two and frFileSystemNode are always there; the others only when they hold something,
// and a reader that knows one not skips it.
//
// frFileSystemSearchControllerList: u32 length (always 8), u32 controller type, u32 deep flag.
// frDiskDevice: u64 capacity, u32 disk index, u32 volume index, u32 file-system type,
//               u32 name length n (at most 4095), n name bytes (no terminator).
// frMediumId, only when the scanned medium has one: u32 length n (1 to 255), n bytes of the id
//             that tells it from another medium of the same name and size (a partition table's
//             id, a file system's serial). A file without one is matched by name, size and file
//             system alone.
// frDiskName, only when the scanned device's disk has a name: u32 length n (1 to 4095), n bytes of
//             the disk's name as the device list shows it (an image's file name), by which a load
//             asks for a disk that is not attached. Without one, or damaged, the disk goes unnamed.
// frFileSystemNode: u64 root count, then per root:
//   u32 1, root file record, u32 searcher type, u32 volume-name length m (at most 511), m bytes,
//   u32 partition count P (at most 512), P × (u32 partition type 0..4, 104-byte record:
//   SearchedPartitionRecord.h), then u32 0 and a file record for every node below the root
//   (breadth-first, children in sibling order), then u32 0xFFFFFFFF.
// frCopyOutValues, only when some node has an initialised size or a refusal: CopyOutValues.h.
// frPartitionPlacements, only when some partition is read through a file of another volume or
//                        lies where another volume is now: PartitionPlacements.h.
//
// A file record (FileRecord.h):
// | offset   | size   | field                                               |
// |        0 |      8 | node id (i64)                                       |
// |        8 |      8 | parent node id (i64)                                |
// |       16 |      8 | file size (u64)                                     |
// |       24 |      2 | attribute: the low 16 bits                          |
// |       26 |     24 | creation, modification, last access time (FILETIME)|
// |       50 |      4 | is folder                                           |
// |       54 |      4 | is deleted                                          |
// |       58 |      4 | run count R (as many as the frame's bytes hold)     |
// |       62 |      4 | resident flag of the run list (0 without one)       |
// |       66 |  16×R  | runs: i64 start, i64 length                         |
// |          |      4 | name length k (at most 65535)                       |
// |          |      k | name (UTF-8, no terminator)                         |
// |          |      4 | shown                                               |
// |          |      2 | partition index (0xFFFF none)                       |
// |          |      8 | metadata position (i64, -1 unset)                   |
// |          |      4 | compressed                                          |
#include <cstddef>
#include <cstdint>

#include "engine/IRSData.h"

namespace uimodel::resultsfile {

constexpr tagGUIDSIGN kFrameSearchControllerList{
    {0x94, 0x63, 0x9B, 0x40, 0x81, 0xF6, 0x88, 0x4E, 0xA2, 0x0F, 0x5D, 0x63, 0x57, 0x82, 0xED, 0x75}};
constexpr tagGUIDSIGN kFrameDiskDevice{
    {0x76, 0xA6, 0x72, 0xB0, 0x48, 0x05, 0x8B, 0x46, 0xBA, 0x9E, 0x91, 0x09, 0x3A, 0x63, 0xB5, 0x17}};
constexpr tagGUIDSIGN kFrameFileSystemNode{
    {0x6C, 0xF2, 0x08, 0xD2, 0x8C, 0x07, 0x34, 0x4E, 0x9D, 0x71, 0xD9, 0x1F, 0x53, 0x5F, 0x7B, 0x57}};

constexpr tagGUIDSIGN kFrameMediumId{
    {0x3D, 0x8E, 0x51, 0x0C, 0x7A, 0x92, 0x4B, 0x1F, 0x86, 0x2B, 0xE4, 0x19, 0x6D, 0xA0, 0x57, 0xC3}};

// Optional: the scanned device's disk as the device list names it.
constexpr tagGUIDSIGN kFrameDiskName{
    {0x9B, 0x41, 0x2E, 0xD7, 0x05, 0x6C, 0x4A, 0x38, 0xA1, 0x7F, 0x3C, 0xE2, 0x90, 0x5B, 0x1D, 0x64}};

constexpr std::uint32_t kControllerFrameLength = 8;
constexpr std::size_t kMaxMediumId = 255;
constexpr std::uint32_t kHeaderStatusSaved = 1;

constexpr std::uint32_t kMarkerRoot = 1;
constexpr std::uint32_t kMarkerNode = 0;
constexpr std::uint32_t kMarkerEnd = 0xFFFFFFFF;

constexpr std::size_t kMaxDeviceName = 4095;
constexpr std::size_t kMaxVolumeName = 511;
constexpr std::size_t kMaxName = 65535;
constexpr std::uint32_t kMaxPartitions = 512;
constexpr std::uint32_t kMaxPartitionType = 4;

constexpr std::size_t kRecordHeadSize = 66;  // up to and including the resident flag
constexpr std::size_t kRunSize = 16;
constexpr std::size_t kRecordTailSize = 18;  // shown, partition index, metadata, compressed

/// How a save or a load ended, in the error field of its last progress record.
enum ResultsFileError : int {
    RESULTS_OK = 0,
    RESULTS_NO_ARCHIVE = 1,         // the archive object could not be made
    RESULTS_CANNOT_OPEN = 2,        // the file could not be created or opened
    RESULTS_BAD_HEADER = 3,         // no readable header, or its status is 0
    RESULTS_BAD_CONTROLLER = 4,     // no search-controller frame, or its length is not 8
    RESULTS_BAD_DEVICE = 5,         // no device frame, or a device-name length above 4095
    RESULTS_NO_DEVICE = 6,          // no attached device matches the saved one
    RESULTS_DAMAGED_NODES = 7,      // the node frame is damaged; what was replayed stays loaded
    RESULTS_WRITE_FAILED = 8,       // a write failed (full disk, the 4 GiB limit); the file is gone
    RESULTS_ON_SCANNED_DEVICE = 9,  // the destination lies on the scanned device
    RESULTS_NOTHING_SCANNED = 10,   // no scanned device is known (the device list was refreshed)
    RESULTS_IS_SCANNED_IMAGE = 11,  // the destination is the scanned image (or device) itself
};

}  // namespace uimodel::resultsfile
