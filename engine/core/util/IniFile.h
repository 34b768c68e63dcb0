#pragma once
// A small reader of INI-style text files: "[section]" lines open sections, "key=value" lines
// fill them, every other line is ignored. The FAT search reads its one switch with it.
#include <cstddef>
#include <map>
#include <string>

class CIniFile {
public:
    /// The longest line loading sees as one; a longer one is read as several (see Load).
    static constexpr size_t kMaxLineChars = 1023;

    CIniFile() = default;
    explicit CIniFile(char const* pszPath) : m_path(pszPath ? pszPath : "") {}
    explicit CIniFile(std::string const& path) : m_path(path) {}

    /// Stores the path and loads the file; 0 when the whole file was read, -1 otherwise (content
    /// read before the failure is kept).
    int Init(char const* pszPath);
    int Init(std::string const& path);
    /// Loads the stored path; as above.
    int Init();

    /// -1 when the section does not exist; otherwise sets `value` to the key's value (empty for a
    /// missing key) and answers -1 for an empty value, else 0.
    int ReadItem(std::string const& section, std::string const& key, std::string& value) const;
    /// -1 when the key does not exist in the section; otherwise sets it and answers WriteFile().
    int WriteItem(std::string const& section, std::string const& key, std::string const& value);
    /// Writes every section and its keys, in name order, to the stored path; 0, or -1 on failure.
    int WriteFile() const;

    /// Removes blanks and tabs at both ends; -1 when nothing is left, else 0.
    static int TrimString(std::string& text);

private:
    int Load();

    std::string m_path;
    std::map<std::string, std::map<std::string, std::string>> m_content;  // section -> key -> value
};
