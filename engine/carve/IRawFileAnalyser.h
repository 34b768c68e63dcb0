#pragma once
// The interface of the per-format analysers of the signature search. The controller offers
// every sector to them (AnalyseBuffer) and later has the matching analyser size the file on the
// device (GetRawFileSize). The FAT search asks AnalyseBuffer alone, with a single sector, so
// recognition must stand on the bytes it is given.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/carve/RawFileInfo.h"
#include "engine/carve/SectorWalk.h"

class IStorageDevice;

/// A byte that every file of a format holds at a fixed offset from its start.
struct RawLandmark {
    std::uint16_t u16Offset = 0;
    std::uint8_t u8Value = 0;
};

class IRawFileAnalyser {
public:
    virtual ~IRawFileAnalyser() = default;

    /// Reads the file at the record's start sector (through a RawFileBuffer) and sets its size,
    /// leaving it 0 when it cannot tell; may set the name and time. Non-zero on success.
    /// `pDevice` may be the search's ring of recent blocks or the device itself.
    virtual int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice);
    /// GetRawFileSize for the search, which feeds a size rule's walk forward the blocks it reads
    /// rather than have it read them again: the walk when the file's size rests on one (its
    /// answer goes to the record through ApplyWalkAnswer), else null with the record sized.
    /// By default GetRawFileSize, and no walk.
    virtual std::unique_ptr<SectorWalk> BeginRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice);
    /// Looks at the bytes that may start a file: `u32Readable` bytes at `pBuffer` (at least
    /// the key's four, often a sector, often more); never reads beyond them. On acceptance sets
    /// the record's type (and its size when the header alone tells it) and answers non-zero;
    /// answers 0 to refuse. Analysers found by a signature key check their key bytes too.
    virtual int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) = 0;
    /// Whether a file of this analyser may start with the byte `u8First`; the search skips the
    /// analyser for sectors whose first byte it rules out. True unless an analyser knows better.
    virtual bool MayStartWith(std::uint8_t /*u8First*/) const { return true; }
    /// A byte the analyser refuses every sector without (where `u32Readable` reaches it), before
    /// it touches the record: the search compares it instead of asking, which costs far less
    /// for the analysers without a key that every sector meets. None by default.
    virtual std::optional<RawLandmark> GetLandmark() const { return std::nullopt; }
    /// The name prefix found while sizing; empty by default.
    virtual std::string GetRawFileName() { return {}; }
    /// The time text found while sizing; empty by default.
    virtual std::string GetRawFileTime() { return {}; }

    /// The RAW_FILE_TYPE this analyser stands for; kNoOwnRawFileType for none.
    std::uint32_t GetOwnRawFileType() const { return m_u32OwnType; }

protected:
    explicit IRawFileAnalyser(std::uint32_t u32OwnType) : m_u32OwnType(u32OwnType) {}

private:
    std::uint32_t m_u32OwnType;
};

/// Sets the record's size to a walk's answer; false, leaving the record, when there is none.
bool ApplyWalkAnswer(CRawFileInfo& info, std::optional<std::uint64_t> answer);
/// Sets the record's size to the answer of a finished walk and what else the walk learnt.
bool ApplyWalkAnswer(CRawFileInfo& info, SectorWalk const& walk);
