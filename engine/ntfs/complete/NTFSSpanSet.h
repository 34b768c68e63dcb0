#pragma once
// The NTFS searcher's stretches (device sectors, clusters, MFT VCNs): the engine's span set.
#include "engine/core/util/SpanSet.h"

using CNTFSSpanSet = CSpanSet;
