#pragma once
// The analysers whose header alone tells type and size (BMP, the metafiles, icons, MRW). Such a
// format is one function over the first bytes instead of a class of its own:
//   bool BmpHeader(engine::ByteView header, CRawFileInfo& info);  // checks, then sets type and size
//   std::unique_ptr<IRawFileAnalyser> CreateFileBMPAnalyser() {
//       return CreateHeaderSizedAnalyser(RAW_FILE_TYPE_BMP, &BmpHeader);
//   }
#include <memory>

#include "engine/carve/RawFileInfo.h"
#include "engine/carve/RawFileType.h"
#include "engine/core/bytes/ByteView.h"

class IRawFileAnalyser;

/// Looks at the bytes that may start a file (never past `header`); on acceptance sets the
/// record's type and size and answers true.
using HeaderCheck = bool (*)(engine::ByteView header, CRawFileInfo& info);

/// An analyser of type `eOwnType` that accepts what `check` accepts; sizing on the device leaves
/// the size the header gave.
std::unique_ptr<IRawFileAnalyser> CreateHeaderSizedAnalyser(RAW_FILE_TYPE eOwnType, HeaderCheck check);
