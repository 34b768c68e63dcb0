#pragma once
// Pictures of found files for the results window's grid, previews and cover view. Found files
// lie on no mounted file system: their bytes come through the engine's copy-out objects (a
// second set, so that thumbnails never disturb a running recovery) and go to the platform's
// decoders. Nothing is ever written to disk: camera raw previews decode from the node's
// reader, movie starts from memory.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/IFileNode.h"
#include "engine/IRecoveryFilter.h"
#include "uimodel/thumbnails/ThumbnailDecoder.h"

class IDataRecovery;
class IFileReader;

namespace uimodel {

class QNUIRecovery;
class QNUIScan;

enum class ThumbnailKind { None, Image, Icon };

struct Thumbnail {
    ThumbnailKind eKind = ThumbnailKind::None;
    uimodel::RgbaImage image;
};

/// Pictures above this many bytes get the icon (read whole into one buffer).
constexpr long long kMaxPictureBytes = 0x1E00000;
/// Bytes of a movie's start handed to the decoder; AVI files up to kMaxWholeAviBytes whole.
constexpr long long kMovieStartBytes = 0x200000;
constexpr long long kMaxWholeAviBytes = 0x3200000;

class QNUIThumbnails {
public:
    /// Over the scan, the recovery (whose preview objects serve deep scans), the filter that
    /// tells categories and the platform's decoder; none owned.
    QNUIThumbnails(QNUIScan& scan, QNUIRecovery& recovery, IRecoveryFilter* pFilter,
                   uimodel::IThumbnailDecoder& decoder);

    /// The dispatcher: movies through GetVideoThumb, camera raw by extension through
    /// GetRawPicThumb, pictures decoded from their preview or whole bytes, else the icon.
    /// None for a null node.
    Thumbnail GetNSImageByFildNode(IFileNode* pNode);
    /// The same for a node boxed as a number.
    Thumbnail GetNSImageByFildNodeNSNumber(long long s64BoxedNode);
    /// A camera raw file's embedded preview, else the icon.
    Thumbnail GetRawPicThumb(IFileNode* pNode);
    /// A frame of a movie named .mov, .m4v, .mp4 or .avi, else the icon; none for a name without ".".
    Thumbnail GetVideoThumb(IFileNode* pNode);
    /// A picture from its embedded preview or its whole bytes, else the icon.
    Thumbnail GetPictureThumb(IFileNode* pNode);
    /// A frame of a movie file on disk; none when nothing decodes.
    Thumbnail getVideoThumbFromPath(std::string const& path);

private:
    /// The preview object of the node's searcher (deep scans) or volume (quick scans).
    IDataRecovery* PreviewCopyOut(IFileNode* pNode);
    Thumbnail Icon(IFileNode* pNode);
    /// Runs `use` with the node's preview object and a reader of the node, one thumbnail at a
    /// time; its image, or the icon when it made none.
    using ReaderUse = std::function<uimodel::RgbaImage(IDataRecovery&, IFileReader&)>;
    Thumbnail ThroughReader(IFileNode* pNode, ReaderUse const& use);

    QNUIScan& m_scan;
    QNUIRecovery& m_recovery;
    IRecoveryFilter* m_pFilter;
    uimodel::IThumbnailDecoder& m_decoder;
    // One thumbnail at a time selects nodes in the preview objects and uses the picture buffer.
    std::mutex m_mutex;
    std::vector<std::uint8_t> m_buffer;  // kMaxPictureBytes once the first picture is read
};

}  // namespace uimodel
