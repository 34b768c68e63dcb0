#include "engine/core/crossvolume/VolumeNesting.h"

namespace crossvolume {

CSpanSet NestedIn(std::span<FoundSpan const> volumes, std::int64_t s64From, std::int64_t s64End) {
    CSpanSet nested;
    for (FoundSpan const& volume : volumes)
        if (volume.bVouched && volume.s64Start >= s64From && volume.s64Start < s64End &&
            volume.s64End > volume.s64Start)
            nested.Add(volume.s64Start, volume.s64End);
    return nested;
}

}  // namespace crossvolume
