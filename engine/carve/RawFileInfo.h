#pragma once
// What an analyser found about one carved file: where it starts, how long it is, its type,
// and the name prefix and time text its header gave.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class IRawFileAnalyser;

class CRawFileInfo {
public:
    /// The base type of a record that no analyser matched yet.
    static constexpr std::uint32_t kNoBaseType = 65535;

    /// Stores a cleaned copy: trailing blanks removed, then each of \ / : ? " < > | * CR LF
    /// replaced by "_". An empty name stays empty.
    void SetRawFileName(std::string_view name);
    std::string const& GetRawFileName() const { return m_strName; }

    std::uint64_t m_u64StartSector = 0;         // device sector of the file's first byte
    std::uint64_t m_u64Size = 0;                // bytes; 0 while unknown
    std::uint32_t m_u32Type = 0;                // RAW_FILE_TYPE, set by the analyser
    std::uint32_t m_u32BaseType = kNoBaseType;  // own type id of the analyser that matched
    std::string m_strTime;                      // the file's date and time as its header gave it
    IRawFileAnalyser* m_pAnalyser = nullptr;    // the analyser that matched; not owned
    /// The size is a guess with nothing behind it (a format's default, a header's claim, a
    /// search's limit or end marker): the search ends the file at the next file it found that
    /// starts past the first m_u64Borne bytes, which the file's own structure bears out (a
    /// thumbnail inside it is no next file). A size past the device's end is always a guess,
    /// and bytes past it bear out nothing.
    bool m_bSizeGuessed = false;
    std::uint64_t m_u64Borne = 0;
    /// The guess stands only with no file found between the borne-out bytes and it: a file
    /// found there ends this one at the borne-out bytes, not at its own start.
    bool m_bCutToBorne = false;
    /// An archive's: the offsets of the member headers its walk read, whose own kind the search
    /// finds as starts too (CEnclosingFiles takes them once the archive is sized).
    std::vector<std::uint64_t> m_memberStarts;

private:
    std::string m_strName;  // name prefix; empty gives the default name
};
