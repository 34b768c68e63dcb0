#include "engine/carve/analysers/ZipKind.h"

#include <algorithm>

namespace {

constexpr std::string_view kDocxRels = "word/_rels/document.xml.rels";
constexpr std::string_view kXlsxRels = "xl/_rels/workbook.xml.rels";
constexpr std::string_view kPptxRels = "ppt/_rels/presentation.xml.rels";
constexpr std::size_t kMinWordName = 5;
constexpr std::size_t kMinNumbersName = 8;

/// Whether `text` stands in `bytes` at one of the first `count` positions.
bool FoundWithin(engine::ByteView bytes, std::string_view text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (bytes.Equals(i, text)) return true;
    return false;
}

bool IsPagesOrKey(RAW_FILE_TYPE eType) { return eType == RAW_FILE_TYPE_PAGES || eType == RAW_FILE_TYPE_KEY; }

/// The office package a member's name tells, or none.
bool OfficeMember(std::string_view name, RAW_FILE_TYPE& eType) {
    if (name == kDocxRels)
        eType = RAW_FILE_TYPE_DOCX;
    else if (name == kXlsxRels)
        eType = RAW_FILE_TYPE_XLSX;
    else if (name == kPptxRels)
        eType = RAW_FILE_TYPE_PPTX;
    else if (name.size() >= kMinWordName && name.starts_with("word"))
        eType = RAW_FILE_TYPE_DOCX;
    else
        return false;
    return true;
}

}  // namespace

void ZipKind::JudgeFirstMember(std::string_view name) {
    bMaybeOffice = name == "[Content_Types].xml" || name == "docProps/app.xml" || name == "_rels/.rels" ||
                   name.find("doc") != std::string_view::npos;
    bMaybeDrawing = name == "content/riffData.cdr";
}

void ZipKind::LocalMember(std::string_view name, engine::ByteView after) {
    if (bMaybeOffice) {
        OfficeMember(name, eType);
        return;
    }
    if (!IsPagesOrKey(eType) && name.size() >= kMinNumbersName && name.find("numbers/") != std::string_view::npos) {
        eType = RAW_FILE_TYPE_NUMBERS;
        return;
    }
    if (name == "Index/Slide1.iwa" || name == "Index/Slide2.iwa" || name == "index.apxl") {
        eType = RAW_FILE_TYPE_KEY;
        return;
    }
    if (!IsPagesOrKey(eType)) {
        if (name == "buildVersionHistory.plist") {
            engine::ByteView const text = after.Sub(0, std::min<std::size_t>(after.Size(), 1024));
            if (FoundWithin(text, "<string>numbers-trunk", 236))
                eType = RAW_FILE_TYPE_NUMBERS;
            else if (FoundWithin(text, "<string>pages-trunk", 238))
                eType = RAW_FILE_TYPE_PAGES;
            else
                eType = RAW_FILE_TYPE_NUMBERS;
            return;
        }
        if (name == "Index/DocumentStylesheet.iwa") {
            engine::ByteView const text = after.Sub(0, std::min<std::size_t>(after.Size(), 256));
            bool const bPages =
                FoundWithin(text, "layout-style-", 244) || FoundWithin(text, "imported-paragraph-style-", 232);
            eType = bPages ? RAW_FILE_TYPE_PAGES : RAW_FILE_TYPE_NUMBERS;
            return;
        }
    }
    if (!IsPagesOrKey(eType) && eType != RAW_FILE_TYPE_NUMBERS && name == "mimetype" &&
        FoundWithin(after.Sub(0, std::min<std::size_t>(after.Size(), 64)), "application/epub+", 48))
        eType = RAW_FILE_TYPE_EPUB;
}

void ZipKind::CentralMember(std::string_view name) {
    if (bMaybeOffice) OfficeMember(name, eType);
}

RAW_FILE_TYPE ZipKind::Final() const { return bMaybeDrawing && !bMaybeOffice ? RAW_FILE_TYPE_CDR : eType; }
