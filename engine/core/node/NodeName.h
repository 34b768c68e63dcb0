#pragma once
// A found file's name, stored once and no larger than it is: one pointer in the node and the
// characters, with their closing zero, in a block of their own. A million found files keep a
// million names, so the 32 bytes of a std::string (or 40 of an optional one) count.
#include <memory>
#include <string_view>

class CNodeName {
public:
    CNodeName() = default;
    CNodeName(CNodeName const& other) { Set(other.Get()); }
    CNodeName& operator=(CNodeName const& other) {
        if (this != &other) Set(other.Get());
        return *this;
    }
    CNodeName(CNodeName&&) noexcept = default;
    CNodeName& operator=(CNodeName&&) noexcept = default;

    /// Null until a name is set.
    char const* Get() const { return m_pText.get(); }
    /// Keeps a copy of the name; null forgets it.
    void Set(char const* pszName) { pszName ? Set(std::string_view(pszName)) : m_pText.reset(); }
    /// Keeps a copy of the name, cut at an embedded zero as the C string it is read back as.
    void Set(std::string_view name);
    /// Reads the name from storage its owner keeps (a closed C string), without freeing it. The
    /// owner calls Unlend before the storage goes and before any other Set.
    void Lend(char* pszText) { m_pText.reset(pszText); }
    void Unlend() { (void)m_pText.release(); }

private:
    std::unique_ptr<char[]> m_pText;
};
