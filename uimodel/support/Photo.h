#pragma once
// One picture of the results window's cover flow: the encoded image and the identifier the
// view shows as its title.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace uimodel {

class Photo {
public:
    Photo(std::shared_ptr<std::vector<std::uint8_t> const> pImage, std::string imageID)
        : m_pImage(std::move(pImage)), m_imageID(std::move(imageID)) {}

    std::string const& imageUID() const { return m_imageID; }
    std::string const& imageTitle() const { return m_imageID; }
    std::shared_ptr<std::vector<std::uint8_t> const> const& imageRepresentation() const { return m_pImage; }
    void setImageRepresentation(std::shared_ptr<std::vector<std::uint8_t> const> pImage) {
        m_pImage = std::move(pImage);
    }
    void setName(std::string imageID) { m_imageID = std::move(imageID); }

private:
    std::shared_ptr<std::vector<std::uint8_t> const> m_pImage;
    std::string m_imageID;
};

}  // namespace uimodel
