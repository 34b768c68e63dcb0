#pragma once
// Results of the HFS+ module (its codes are in engine/Result.h); the raising line tells the
// places apart.
#include "engine/Result.h"

#define HFSPLUS_RESULT(code) ENGINE_RESULT(kModuleHfsPlus, (code))
