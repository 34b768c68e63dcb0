#include "ModelThumbnail.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"

namespace scanbench {

namespace {

IFileNode* FirstFileCalled(uimodel::QNUIScan const& scan, std::string const& name) {
    for (auto const& [eType, files] : scan.GetTypeMap())
        for (IFileNode* pNode : files)
            if (pNode->GetFileName() && name == pNode->GetFileName()) return pNode;
    return nullptr;
}

bool WriteNewFile(std::string const& path, std::vector<std::uint8_t> const& bytes) {
    int const fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t const written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    return ::close(fd) == 0 && done == bytes.size();
}

/// The decoder of the module beside this executable (kept loaded: the decoder's code lives there).
std::unique_ptr<uimodel::IThumbnailDecoder> LoadDecoder() {
    std::error_code error;
    std::filesystem::path const module =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path() / "scanbench_thumbnails.so";
    void* pModule = error ? nullptr : dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto* create =
        pModule ? reinterpret_cast<uimodel::IThumbnailDecoder* (*)()>(dlsym(pModule, "ScanbenchCreateThumbnailDecoder"))
                : nullptr;
    if (!create) {
        std::fprintf(stderr, "scanbench: cannot load the thumbnail decoder %s: %s\n", module.c_str(),
                     pModule ? "no factory" : dlerror());
        return nullptr;
    }
    return std::unique_ptr<uimodel::IThumbnailDecoder>(create());
}

}  // namespace

bool PrintModelThumbnail(uimodel::QNUIScan& scan, uimodel::QNUIRecovery& recovery, std::string const& name,
                         std::string const& outPath) {
    auto const pDecoder = LoadDecoder();
    if (!pDecoder) return false;
    uimodel::QNUIThumbnails thumbnails(scan, recovery, uimodel::QNUIFilter::instance().GetFilter(), *pDecoder);
    uimodel::Thumbnail const thumbnail = thumbnails.GetNSImageByFildNode(FirstFileCalled(scan, name));
    char const* pszKind = thumbnail.eKind == uimodel::ThumbnailKind::Image  ? "image"
                          : thumbnail.eKind == uimodel::ThumbnailKind::Icon ? "icon"
                                                                            : "none";
    std::printf("thumb\t%s\t%dx%d\n", pszKind, thumbnail.image.iWidth, thumbnail.image.iHeight);
    if (outPath.empty() || !thumbnail.image.IsImage()) return true;
    if (WriteNewFile(outPath, pDecoder->EncodePng(thumbnail.image))) return true;
    std::fprintf(stderr, "scanbench: cannot write %s (an existing file is never replaced)\n", outPath.c_str());
    return false;
}

}  // namespace scanbench
