#include "engine/core/util/IniFile.h"

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* pFile) const noexcept { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Reads the next piece of the file as fgets with a buffer of kMaxLineChars + 1 bytes would: up to
// and including a line break, at most kMaxLineChars characters. A longer line thus arrives as
// several pieces, each handled as a line of its own; this keeps the classic reader's behaviour
// while holding nothing in a fixed buffer. False at the end of the file.
bool ReadPiece(std::FILE* pFile, std::string& piece) {
    piece.clear();
    while (piece.size() < CIniFile::kMaxLineChars) {
        int const c = std::getc(pFile);
        if (c == EOF) break;
        piece.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !piece.empty();
}

// The text of a piece: up to its first NUL byte (where a C string read by fgets would end),
// without its line break ("\n" or "\r\n").
std::string LineText(std::string const& piece) {
    std::string line = piece.substr(0, piece.find('\0'));
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
    }
    return line;
}

}  // namespace

int CIniFile::Init(char const* pszPath) {
    m_path = pszPath ? pszPath : "";
    return Load();
}

int CIniFile::Init(std::string const& path) {
    m_path = path;
    return Load();
}

int CIniFile::Init() { return Load(); }

int CIniFile::Load() {
    m_content.clear();
    FilePtr file(m_path.empty() ? nullptr : std::fopen(m_path.c_str(), "rb"));
    if (!file) return -1;

    std::map<std::string, std::string>* pSection = nullptr;
    std::string piece;
    while (ReadPiece(file.get(), piece)) {
        std::string const line = LineText(piece);
        size_t const uOpen = line.find('[');
        if (uOpen != std::string::npos) {
            size_t const uClose = line.find(']', uOpen + 1);
            if (uClose == std::string::npos) return -1;
            pSection = &m_content[line.substr(uOpen + 1, uClose - uOpen - 1)];
            continue;
        }
        size_t const uEquals = line.find('=');
        if (uEquals == std::string::npos) continue;  // comments and empty lines
        if (!pSection) return -1;
        (*pSection)[line.substr(0, uEquals)] = line.substr(uEquals + 1);
    }
    return std::ferror(file.get()) ? -1 : 0;
}

int CIniFile::ReadItem(std::string const& section, std::string const& key, std::string& value) const {
    auto const itSection = m_content.find(section);
    if (itSection == m_content.end()) return -1;
    auto const itKey = itSection->second.find(key);
    value = itKey == itSection->second.end() ? std::string() : itKey->second;
    return value.empty() ? -1 : 0;
}

int CIniFile::WriteItem(std::string const& section, std::string const& key, std::string const& value) {
    auto const itSection = m_content.find(section);
    if (itSection == m_content.end()) return -1;
    auto const itKey = itSection->second.find(key);
    if (itKey == itSection->second.end()) return -1;
    itKey->second = value;
    return WriteFile();
}

int CIniFile::WriteFile() const {
    std::FILE* pFile = m_path.empty() ? nullptr : std::fopen(m_path.c_str(), "wb");
    if (!pFile) return -1;
    std::string text;
    for (auto const& [name, keys] : m_content) {
        text += "[" + name + "]\n";
        for (auto const& [key, value] : keys) text += key + "=" + value + "\n";
        text += "\n";
    }
    bool const bWritten = std::fwrite(text.data(), 1, text.size(), pFile) == text.size();
    bool const bClosed = std::fclose(pFile) == 0;
    return bWritten && bClosed ? 0 : -1;
}

int CIniFile::TrimString(std::string& text) {
    size_t const uFirst = text.find_first_not_of(" \t");
    if (uFirst == std::string::npos) {
        text.clear();
        return -1;
    }
    size_t const uLast = text.find_last_not_of(" \t");
    text = text.substr(uFirst, uLast - uFirst + 1);
    return 0;
}
