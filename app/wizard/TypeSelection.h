#pragma once
// The file-type page's choice: the chosen categories in the order they were clicked, the
// all-types box's three states and whether Start may be pressed.

#include <array>
#include <vector>

namespace app {

class TypeSelection {
public:
    // Category values: pictures, music, movies, archives, documents, other.
    static constexpr std::array<unsigned, 6> kValues{1, 2, 4, 8, 16, 32};
    enum class Box { None = 0, All = 1, Some = 2 };

    // A tile's click: chooses or lets go of its category.
    void ToggleTile(unsigned value);
    // The all-types box: none or some becomes all (in the tiles' order), all becomes none.
    void ClickAllBox();

    bool IsChosen(unsigned value) const;
    const std::vector<unsigned>& List() const { return m_chosen; }
    // The categories ORed: the same whatever order they were clicked in.
    unsigned Mask() const;
    Box BoxState() const;
    bool StartEnabled() const { return !m_chosen.empty(); }

private:
    std::vector<unsigned> m_chosen;
};

}  // namespace app
