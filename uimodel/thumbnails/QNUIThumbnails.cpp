#include "uimodel/thumbnails/QNUIThumbnails.h"

#include <algorithm>

#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IRecoveryController.h"
#include "engine/ReleasePtr.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"

namespace uimodel {

namespace {

/// A node's data as the raw decoder's byte source.
class CReaderSource final : public uimodel::IByteSource {
public:
    explicit CReaderSource(IFileReader& reader) : m_reader(reader) {}
    std::uint64_t Size() const override { return static_cast<std::uint64_t>(std::max(m_reader.GetDataSize(), 0LL)); }
    std::size_t Read(std::uint64_t u64Offset, void* pBuffer, std::size_t length) override {
        if (u64Offset >= Size() || length == 0) return 0;
        auto const u32Length = static_cast<unsigned>(std::min<std::uint64_t>({length, Size() - u64Offset, 0x10000000}));
        return m_reader.ReadData(static_cast<long long>(u64Offset), static_cast<char*>(pBuffer), u32Length);
    }

private:
    IFileReader& m_reader;
};

Thumbnail AsImage(uimodel::RgbaImage image) {
    if (!image.IsImage()) return {};
    return {ThumbnailKind::Image, std::move(image)};
}

bool IsOneOf(std::string const& extension, std::initializer_list<char const*> extensions) {
    return std::any_of(extensions.begin(), extensions.end(), [&](char const* p) { return extension == p; });
}

}  // namespace

QNUIThumbnails::QNUIThumbnails(QNUIScan& scan, QNUIRecovery& recovery, IRecoveryFilter* pFilter,
                               uimodel::IThumbnailDecoder& decoder)
    : m_scan(scan), m_recovery(recovery), m_pFilter(pFilter), m_decoder(decoder) {}

IDataRecovery* QNUIThumbnails::PreviewCopyOut(IFileNode* pNode) { return m_recovery.PreviewCopyOutFor(pNode); }

Thumbnail QNUIThumbnails::Icon(IFileNode* pNode) {
    uimodel::RgbaImage icon = m_decoder.IconForExtension(GetNodeExt(pNode));
    return {ThumbnailKind::Icon, std::move(icon)};
}

Thumbnail QNUIThumbnails::GetNSImageByFildNode(IFileNode* pNode) {
    if (!pNode || !m_pFilter) return {};
    if (m_pFilter->GetNodeFileType(pNode) == FILTER_TYPE_MOVIE) return GetVideoThumb(pNode);
    std::string const extension = GetNodeExt(pNode);
    if (IsOneOf(extension, {"rw2", "sr2", "cr2"})) return GetRawPicThumb(pNode);
    if (extension == "arw") {
        Thumbnail raw = GetRawPicThumb(pNode);
        if (raw.eKind == ThumbnailKind::Image) return raw;
    }
    if (m_pFilter->GetNodeFileType(pNode) == FILTER_TYPE_PICTURE) return GetPictureThumb(pNode);
    return Icon(pNode);
}

Thumbnail QNUIThumbnails::GetNSImageByFildNodeNSNumber(long long s64BoxedNode) {
    return GetNSImageByFildNode(reinterpret_cast<IFileNode*>(static_cast<std::intptr_t>(s64BoxedNode)));
}

Thumbnail QNUIThumbnails::ThroughReader(IFileNode* pNode, ReaderUse const& use) {
    Thumbnail thumbnail;
    {
        std::lock_guard const lock(m_mutex);
        IDataRecovery* pCopyOut = pNode ? PreviewCopyOut(pNode) : nullptr;
        ReleasePtr<IFileReader> const pReader(pCopyOut ? pCopyOut->SetRecoverNode(pNode) : nullptr);
        if (pReader) thumbnail = AsImage(use(*pCopyOut, *pReader));
    }
    return thumbnail.eKind == ThumbnailKind::Image ? thumbnail : Icon(pNode);
}

Thumbnail QNUIThumbnails::GetPictureThumb(IFileNode* pNode) {
    long long const s64Size = pNode ? pNode->GetFileSize() : 0;
    if (s64Size <= 0 || s64Size > kMaxPictureBytes) return Icon(pNode);
    auto const u32Size = static_cast<unsigned>(s64Size);
    return ThroughReader(pNode, [&](IDataRecovery& copyOut, IFileReader& reader) {
        m_buffer.resize(static_cast<std::size_t>(kMaxPictureBytes));
        char* pBuffer = reinterpret_cast<char*>(m_buffer.data());
        // The small embedded preview first; when there is none, or it does not decode, the whole file.
        unsigned const u32Preview = copyOut.ReadSmallJPG(pBuffer, u32Size);
        uimodel::RgbaImage image;
        if (u32Preview > 0) image = m_decoder.DecodePicture(std::span(m_buffer.data(), u32Preview));
        if (image.IsImage()) return image;
        unsigned const u32Read = reader.ReadData(0, pBuffer, u32Size);
        return u32Read > 0 ? m_decoder.DecodePicture(std::span(m_buffer.data(), u32Read)) : uimodel::RgbaImage{};
    });
}

Thumbnail QNUIThumbnails::GetRawPicThumb(IFileNode* pNode) {
    return ThroughReader(pNode, [&](IDataRecovery&, IFileReader& reader) {
        CReaderSource source(reader);
        return m_decoder.DecodeRawPreview(source);
    });
}

Thumbnail QNUIThumbnails::GetVideoThumb(IFileNode* pNode) {
    char const* pszName = pNode ? pNode->GetFileName() : nullptr;
    if (!pszName || std::string_view(pszName).find('.') == std::string_view::npos) return {};
    std::string const extension = GetNodeExt(pNode);
    long long const s64Size = pNode->GetFileSize();
    if (!IsOneOf(extension, {"mov", "m4v", "mp4", "avi"}) || s64Size <= 0) return Icon(pNode);
    auto const u32Bytes = static_cast<unsigned>(
        extension == "avi" && s64Size <= kMaxWholeAviBytes ? s64Size : std::min(s64Size, kMovieStartBytes));
    return ThroughReader(pNode, [&](IDataRecovery&, IFileReader& reader) {
        // The start stays in memory: the decoder reads it through an anonymous memory file.
        std::vector<std::uint8_t> start(u32Bytes);
        if (reader.ReadData(0, reinterpret_cast<char*>(start.data()), u32Bytes) != u32Bytes)
            return uimodel::RgbaImage{};
        return m_decoder.DecodeMovie(start);
    });
}

Thumbnail QNUIThumbnails::getVideoThumbFromPath(std::string const& path) {
    return AsImage(m_decoder.DecodeMovieFile(path));
}

}  // namespace uimodel
