#pragma once
// The kind of a ZIP archive (an office, page-layout or slide package, a book, a drawing) by the
// names of its members and a few bytes after them.
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/RawFileType.h"

struct ZipKind {
    RAW_FILE_TYPE eType = RAW_FILE_TYPE_ZIP;
    bool bMaybeOffice = false;   // the first member is one an office package starts with
    bool bMaybeDrawing = false;  // the first member is a drawing's content

    /// Sets the two flags from the first member's name.
    void JudgeFirstMember(std::string_view name);
    /// A local header's member: `after` holds up to 1,024 bytes that follow its name.
    void LocalMember(std::string_view name, engine::ByteView after);
    /// A central directory header's member.
    void CentralMember(std::string_view name);
    /// The type once every member was seen.
    RAW_FILE_TYPE Final() const;
};
