#include "engine/fat/ondisk/TempFATDirEntry.h"

#include <cstring>
#include <string_view>

namespace {

bool IsValidDate(std::uint16_t u16Date) {
    if (u16Date == 0) return true;
    std::uint32_t const u32Month = (u16Date >> 5) & 0x0F;
    return u32Month >= 1 && u32Month <= 12 && (u16Date & 0x1F) != 0;
}

bool IsValidTime(std::uint16_t u16Time) {
    if (u16Time == 0) return true;
    return (u16Time & 0x1E) < 0x1E && (u16Time & 0x780) < 0x761 && u16Time < 0xC000;
}

std::string CleanPart(std::uint8_t const* pBytes, std::size_t length) {
    while (length > 0 && pBytes[length - 1] == ' ') --length;
    std::string part(reinterpret_cast<char const*>(pBytes), length);
    for (char& c : part)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '/' || c == '\0') c = '_';
    return part;
}

constexpr std::size_t kCaseFlagsOffset = 12;
constexpr std::uint8_t kLowerCaseBase = 0x08;
constexpr std::uint8_t kLowerCaseExtension = 0x10;

void ToLower(std::string& text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

}  // namespace

CTempFATDirEntry::CTempFATDirEntry(engine::ByteView bytes) {
    if (bytes.Has(0, kSize)) std::memcpy(m_bytes, bytes.Data(), kSize);
}

std::uint32_t CTempFATDirEntry::GetFileSize() const { return engine::ByteView(m_bytes, kSize).Le32(28); }

bool CTempFATDirEntry::IsBlank() const {
    for (std::uint8_t b : m_bytes)
        if (b != 0) return false;
    return true;
}

bool CTempFATDirEntry::IsValidFATDirEntry(bool bCheckCluster) const {
    if (IsLongFileNameEntry()) return true;
    // The cheapest test first: a complete scan puts every sector of a disk through here.
    if ((Attribute() & kAttrReserved) != 0) return false;
    if (bCheckCluster) {
        if (!IsDirectory()) {
            if ((GetFileSize() == 0) != (GetFirstClusterNO() == 0)) return false;
        } else if (GetFileSize() != 0 && GetFirstClusterHigh() != 0) {
            return false;
        }
    }
    if (!IsValidDate(CreationDate()) || !IsValidDate(LastAccessDate()) || !IsValidDate(ModificationDate()))
        return false;
    if (!IsValidTime(CreationTime()) || !IsValidTime(ModificationTime())) return false;
    if (IsVolumeLabel()) return true;
    return IsValidFileName(engine::ByteView(m_bytes, 11));
}

bool CTempFATDirEntry::IsDotName(int iDots) const {
    if (!IsDirectory()) return false;
    for (int i = 0; i < 11; ++i) {
        std::uint8_t const expected = i < iDots ? '.' : ' ';
        if (m_bytes[i] != expected) return false;
    }
    return true;
}

std::string CTempFATDirEntry::GetShortName(bool bAsLabel) const {
    std::uint8_t name[8];
    std::memcpy(name, m_bytes, 8);
    if (name[0] == kErased) name[0] = '#';
    std::string base = CleanPart(name, 8);
    std::string extension = CleanPart(m_bytes + 8, 3);
    if (!bAsLabel) {
        // Windows NT and mtools keep an all-lower-case 8.3 name as upper case plus these flags.
        if ((m_bytes[kCaseFlagsOffset] & kLowerCaseBase) != 0) ToLower(base);
        if ((m_bytes[kCaseFlagsOffset] & kLowerCaseExtension) != 0) ToLower(extension);
    }
    if (extension.empty()) return base;
    return bAsLabel ? base + extension : base + "." + extension;
}

void CTempFATDirEntry::AppendLongNameUnits(std::vector<std::uint16_t>& units) const {
    static constexpr std::size_t kOffsets[kUnitsPerLongNamePiece] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (std::size_t offset : kOffsets) units.push_back(Le16(offset));
}

bool CTempFATDirEntry::IsValidFileName(engine::ByteView name) {
    if (!name.Has(0, 11) || name.U8(0) == ' ') return false;
    for (std::size_t i = 0; i <= 10; ++i) {
        std::uint8_t const b = name.U8(i);
        if (b >= 0x80) {
            ++i;  // the second byte of a double-byte code-page character
            continue;
        }
        if (b < 0x1A) return false;
        if (std::string_view("\"*/:<>?\\|").find(static_cast<char>(b)) != std::string_view::npos) return false;
    }
    return true;
}

bool CTempFATDirEntry::IsValidLongFileName(std::string const& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of("?*|\\/:\"<>") == std::string::npos;
}
