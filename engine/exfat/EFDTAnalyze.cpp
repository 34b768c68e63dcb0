#include "engine/exfat/EFDTAnalyze.h"

#include "engine/core/util/Utf16.h"

using exfat::kEntrySize;

void CEFDTAnalyze::PrepareAnayze(std::uint32_t u32LengthShift, std::uint32_t u32ClusterShift, std::uint64_t u64Limit) {
    m_limits = {u32LengthShift, u32ClusterShift, u64Limit};
    Reset();
    m_files.clear();
}

void CEFDTAnalyze::Reset() {
    m_eState = State::kNone;
    m_u8Remaining = 0;
    m_u8NameLength = 0;
    m_u64EntryIndex = 0;
    m_u64LastSetIndex = 0;
    m_current = {};
    m_nameChars.clear();
}

bool CEFDTAnalyze::Analyze(engine::ByteView buffer, std::uint64_t u64Sector) {
    bool bResult = true;
    std::uint32_t const u32Shift = m_limits.u32LengthShift < 32 ? m_limits.u32LengthShift : 31;
    for (std::size_t offset = 0; buffer.Has(offset, kEntrySize); offset += kEntrySize, ++m_u64EntryIndex) {
        engine::ByteView const entry = buffer.Sub(offset, kEntrySize);
        switch (exfat::LiveType(entry.U8(0))) {
        case exfat::kTypeBitmap:
        case exfat::kTypeUpcase:
            if ((entry.U8(0) & exfat::kInUseBit) == 0) return false;
            break;  // bookkeeping of the volume: nothing to keep, the previous result stands
        case exfat::kTypeFile:
            bResult = SetBaseData(entry, u64Sector + (offset >> u32Shift));
            break;
        case exfat::kTypeStream:
            bResult = SetStreamData(entry);
            break;
        case exfat::kTypeName:
            bResult = SetNameData(entry);
            break;
        case exfat::kTypeLabel:
            bResult = SetVloumeLabel(entry);
            break;
        default:
            return false;
        }
        if (!bResult) return false;
    }
    return bResult;
}

bool CEFDTAnalyze::SetBaseData(engine::ByteView entry, std::uint64_t u64Sector) {
    m_eState = State::kNone;
    m_nameChars.clear();
    auto const file = exfat::ParseFileEntry(entry);
    if (!file) return false;
    m_current = {};
    m_current.u8InUse = file->bInUse ? 1 : 0;
    m_current.u16Attributes = file->u16Attributes;
    m_current.u32CreationTime = file->u32CreationTime;
    m_current.u32ModificationTime = file->u32ModificationTime;
    m_current.u32LastAccessTime = file->u32LastAccessTime;
    m_current.u64EntrySector = u64Sector;
    m_u8Remaining = file->u8SecondaryCount;
    m_u64LastSetIndex = m_u64EntryIndex;
    m_eState = State::kFileSeen;
    return true;
}

bool CEFDTAnalyze::SetStreamData(engine::ByteView entry) {
    auto const stream = exfat::ParseStreamEntry(entry, m_limits);
    if (!stream) return false;
    bool const bFollowsFile = m_eState == State::kFileSeen && m_u64LastSetIndex + 1 == m_u64EntryIndex &&
                              stream->bInUse == (m_current.u8InUse != 0);
    if (!bFollowsFile) {
        m_eState = State::kNone;  // a stray stream entry: not a set, but not the folder's end either
        return true;
    }
    m_current.u64DataLength = stream->u64DataLength;
    m_current.u32FirstCluster = stream->u32FirstCluster;
    m_current.u8NoFatChain = stream->bNoFatChain ? 1 : 0;
    m_u8NameLength = stream->u8NameLength;
    --m_u8Remaining;
    m_u64LastSetIndex = m_u64EntryIndex;
    m_eState = State::kStreamSeen;
    return true;
}

bool CEFDTAnalyze::SetNameData(engine::ByteView entry) {
    auto const name = exfat::ParseNameEntry(entry);
    if (!name) return false;
    bool const bFollowsSet = m_eState == State::kStreamSeen && m_u64LastSetIndex + 1 == m_u64EntryIndex &&
                             name->bInUse == (m_current.u8InUse != 0) && m_u8Remaining > 0;
    if (!bFollowsSet) {
        m_eState = State::kNone;
        return true;
    }
    m_nameChars.insert(m_nameChars.end(), name->chars.begin(), name->chars.begin() + name->u8Count);
    --m_u8Remaining;
    m_u64LastSetIndex = m_u64EntryIndex;
    if (m_u8Remaining == 0) FinishSet();
    return true;
}

bool CEFDTAnalyze::SetVloumeLabel(engine::ByteView entry) { return exfat::IsValidLabelEntry(entry); }

void CEFDTAnalyze::FinishSet() {
    // The stream entry states the name's length; characters past it are padding or leftovers.
    if (m_u8NameLength != 0 && m_nameChars.size() > m_u8NameLength) m_nameChars.resize(m_u8NameLength);
    engine::AppendUtf8Bounded(m_current.strName, engine::Utf16ToUtf8(m_nameChars), _tagFileBaseInfo::kMaxNameBytes);
    m_files.push_back(std::move(m_current));
    m_current = {};
    m_nameChars.clear();
    m_eState = State::kNone;
}
