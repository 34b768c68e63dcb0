#pragma once
// The search for a ZIP archive's end record after its walk stopped short of it (a member whose
// data has no stated length, or a record that is none): sector by sector from where the walk
// stopped, the first end record that checks out ends the archive and its directory's members
// type it; else the archive ends with the first sector whose last 16 bytes are zero. A walk the
// signature search feeds the blocks it reads.
#include <cstdint>
#include <memory>

#include "engine/carve/SectorWalk.h"
#include "engine/carve/analysers/ZipKind.h"

std::unique_ptr<SectorWalk> MakeZipEndSearch(std::uint32_t u32SectorSize, std::uint64_t u64WalkEnd,
                                             ZipKind const& kind);
