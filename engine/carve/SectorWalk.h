#pragma once
// A size rule's search forward, sector by sector, for the end of a file that carries no length.
// It looks at a sector only when the sector's last bytes say the file may end there, and then
// reads that sector and at most a sector before it. So it can run over a reader from the file's
// start (RunWalk), or be fed the blocks the scan reads anyway (ForwardWalks.h): both give the
// same answer, as the walk sees the same bytes either way.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"

class CRawFileInfo;
class RawFileBuffer;

/// The bytes a walk reads, by offset from the file's start. A view lasts until the next read.
class IWalkSource {
public:
    virtual ~IWalkSource() = default;
    /// Exactly `u32Length` bytes from `u64Offset`; empty when they cannot be read.
    virtual engine::ByteView Read(std::uint64_t u64Offset, std::uint32_t u32Length) = 0;
};

class RawFileBuffer;

/// A walk's bytes read from the device through the file's raw reader.
class RawFileWalkSource final : public IWalkSource {
public:
    explicit RawFileWalkSource(RawFileBuffer& reader) : m_reader(reader) {}
    engine::ByteView Read(std::uint64_t u64Offset, std::uint32_t u32Length) override;

private:
    RawFileBuffer& m_reader;
};

class SectorWalk {
public:
    /// The last two bytes (the first byte high) of every sector a walk may look at: the zeros
    /// after a file's end, a JPEG's end ("FF D9", "FF D9 00") and an X3F's directory ("SECd").
    static constexpr std::uint16_t kTailKeys[] = {0x0000, 0xFFD9, 0xD900, 0x4364};
    static bool IsTailKey(std::uint16_t u16Tail) {
        return u16Tail == 0 || u16Tail == 0xFFD9 || u16Tail == 0xD900 || u16Tail == 0x4364;
    }

    virtual ~SectorWalk() = default;
    SectorWalk(SectorWalk const&) = delete;
    SectorWalk& operator=(SectorWalk const&) = delete;

    bool Done() const { return m_bDone; }
    /// Once done: the file's size; none when it cannot be told.
    std::optional<std::uint64_t> Answer() const { return m_answer; }
    std::uint32_t SectorSize() const { return m_u32SectorSize; }
    /// The start (from the file's start) of the sector the walk reads next.
    std::uint64_t NextSector() const { return m_u64At / m_u32SectorSize * m_u32SectorSize; }
    /// Whether only sectors whose last two bytes are a tail key can interest the walk (or that
    /// hold its marker).
    bool TailKeyed() const { return m_bTailKeyed; }
    /// Bytes whose sectors interest a tail-keyed walk too: a sector is looked at when they start
    /// in it or in the few bytes before it (they straddle its start). Static data; none by default.
    virtual std::string_view Marker() const { return {}; }
    /// The bytes a marker spans from where its listed bytes start (its letters in any case may
    /// follow them): a sector is looked at where it ends, or from the next where it straddles.
    virtual std::size_t MarkerReach() const { return Marker().size(); }
    /// Once done: what the walk learnt of the file on its way beyond the size (its kind) goes
    /// to the record. Nothing by default.
    virtual void Describe(CRawFileInfo& /*info*/) const {}
    /// Where the walk has left the file's structure (it searches on for an end marker): a file
    /// the search found starting at or past this offset ends the file there, and the walk with
    /// it. None by default: the structure holds as far as the walk goes.
    virtual std::optional<std::uint64_t> CutFrom() const { return std::nullopt; }
    /// Ends the walk where a file the search found starts past CutFrom, `u64Offset`: the file
    /// ends there (AnswerAtFoundFile).
    void EndAtFoundFile(std::uint64_t u64Offset) { End(AnswerAtFoundFile(u64Offset)); }

    /// Reads the next sector through `source`, looks at it when it may end the file, and moves
    /// on; ends the walk at its limit, at an unreadable sector or where the file ends.
    void Step(IWalkSource& source);
    /// Moves on to the sector at `u64Sector` over readable sectors whose last two bytes are no
    /// tail key (a tail-keyed walk would only pass them by); ends the walk at its limit on the way.
    void PassTo(std::uint64_t u64Sector);

protected:
    /// The walk stands at `u64From` and ends when it stands at or past `u64Bound`.
    SectorWalk(std::uint32_t u32SectorSize, std::uint64_t u64From, std::uint64_t u64Bound, bool bTailKeyed);

    /// Whether the walk looks at this sector; judged by its last bytes alone.
    virtual bool MayEnd(engine::ByteView sector) const = 0;
    /// Looks at the sector that starts at `u64Sector`, where the walk stands at `u64At`
    /// (within it); `sector` lasts until the next read of `source`. Calls End and answers true
    /// when the file ends here.
    virtual bool Look(IWalkSource& source, std::uint64_t u64Sector, std::uint64_t u64At, engine::ByteView sector) = 0;
    /// The answer of a walk that stopped at `u64At` (its limit, or a sector it cannot read).
    virtual std::optional<std::uint64_t> Stopped(std::uint64_t u64At) const { return u64At; }
    /// The answer of a walk ended by a file found at `u64Offset`: by default the file ends there.
    virtual std::optional<std::uint64_t> AnswerAtFoundFile(std::uint64_t u64Offset) const { return u64Offset; }
    void End(std::optional<std::uint64_t> answer);

private:
    std::uint32_t m_u32SectorSize;
    std::uint64_t m_u64At;
    std::uint64_t m_u64Bound;
    bool m_bTailKeyed;
    bool m_bDone = false;
    std::optional<std::uint64_t> m_answer;
};

/// Whether the last `u32Bytes` bytes of `sector` are zero (false when it is shorter).
bool EndsInZeros(engine::ByteView sector, std::uint32_t u32Bytes);

/// A size rule's answer: the size (none when the file cannot be sized), or the walk that finds it.
struct Sizing {
    std::optional<std::uint64_t> size;
    std::unique_ptr<SectorWalk> walk;
};

/// Runs `walk` to its end over `reader`, as a size rule does when no scan feeds it.
std::optional<std::uint64_t> RunWalk(SectorWalk& walk, RawFileBuffer& reader);
