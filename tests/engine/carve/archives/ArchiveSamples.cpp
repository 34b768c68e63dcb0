#include <string>

#include "CarvedSamples.h"
#include "SampleMaker.h"
#include "support/TempDir.h"

namespace archivetest {
namespace {

/// Text that compresses, but not to nothing: lines numbered and mixed.
std::string Prose(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += "line " + std::to_string(i * 7919 % 1000) + " of the archived notes, kept " + std::to_string(i) +
                " times\n";
    return text;
}

/// A zip whose comment makes it exactly a multiple of 4,096 bytes long: nothing of the sector
/// after its end is zero.
bool MakeWholeSectorZip(SampleMaker& maker) {
    if (!maker.Run("zip -q -X whole.zip letter.txt")) return false;
    std::size_t const comment = (4096 - ReadFile(maker.Path("whole.zip")).size() % 4096) % 4096;
    return maker.Write("comment.txt", std::string(comment, 'c')) && maker.Run("zip -q -z whole.zip < comment.txt") &&
           maker.Add("Info-ZIP filling whole sectors", "whole.zip", RAW_FILE_TYPE_ZIP, "letter.txt");
}

bool MakeZipSamples(SampleMaker& maker) {
    return maker.Run("zip -q -X plain.zip notes.txt letter.txt") &&
           maker.Run("echo 'kept for later' | zip -q -X -z commented.zip notes.txt") &&
           // Written to a pipe: data descriptors and 0xFFFFFFFF sizes in the local header.
           maker.Run("cat notes.txt | zip -q - - | cat > piped.zip") &&
           maker.Run("7z a -tzip seven.zip notes.txt letter.txt") &&
           // Every member with a data descriptor; the stored run of zeros ends sectors in zeros.
           maker.Run(
               "seq 1 2000 > a.txt && head -c 6000 /dev/zero > blank.raw && seq 5000 5600 > c.txt && "
               "zip -q -n .raw - a.txt blank.raw c.txt | cat > descriptors.zip") &&
           maker.Add("Info-ZIP to a pipe with a stored run of zeros", "descriptors.zip", RAW_FILE_TYPE_ZIP, "a.txt") &&
           maker.Add("Info-ZIP", "plain.zip", RAW_FILE_TYPE_ZIP, "notes.txt") &&
           maker.Add("Info-ZIP with a comment", "commented.zip", RAW_FILE_TYPE_ZIP, "notes.txt") &&
           maker.Add("Info-ZIP to a pipe", "piped.zip", RAW_FILE_TYPE_ZIP, "-") &&
           maker.Add("7-Zip ZIP", "seven.zip", RAW_FILE_TYPE_ZIP, "letter.txt") && MakeWholeSectorZip(maker);
}

bool MakeGzipSamples(SampleMaker& maker) {
    // Extra flags 4, 0 and 2; the stored name names the carved file.
    return maker.Run("cp notes.txt fast.txt && gzip -1 fast.txt") &&
           maker.Run("cp notes.txt usual.txt && gzip usual.txt") &&
           maker.Run("cp notes.txt best.txt && gzip -9 best.txt") && maker.Run("gzip -k letter.txt") &&
           maker.Add("gzip -1", "fast.txt.gz", RAW_FILE_TYPE_GZ, "fast.txt", SizeRule::ToSectorEnd) &&
           maker.Add("gzip", "usual.txt.gz", RAW_FILE_TYPE_GZ, "usual.txt", SizeRule::ToSectorEnd) &&
           maker.Add("gzip -9", "best.txt.gz", RAW_FILE_TYPE_GZ, "best.txt", SizeRule::ToSectorEnd) &&
           maker.Add("gzip shorter than a sector", "letter.txt.gz", RAW_FILE_TYPE_GZ, "letter.txt",
                     SizeRule::ToSectorEnd);
}

bool MakeTarSamples(SampleMaker& maker) {
    // Whole, to the end of the last 10,240-byte record, which tar fills with zeros.
    return maker.Run("tar --format=ustar -cf files.tar notes.txt letter.txt") &&
           maker.Run("mkdir -p tree/a/b tree/c && tar --format=ustar -cf folders.tar tree") &&
           maker.Add("TAR of files", "files.tar", RAW_FILE_TYPE_TAR, "") &&
           maker.Add("TAR of folders only", "folders.tar", RAW_FILE_TYPE_TAR, "");
}

bool MakeOtherArchives(SampleMaker& maker) {
    return maker.Run("gcab -c files.cab notes.txt letter.txt") &&
           maker.Run("jlha a1 level1.lzh notes.txt letter.txt") &&
           maker.Run("jlha a0 level0.lzh notes.txt letter.txt") &&
           maker.Run("jlha a level2.lzh notes.txt letter.txt") &&
           maker.Add("gcab CAB", "files.cab", RAW_FILE_TYPE_CAB, "") &&
           maker.Add("jlha LZH, header level 1", "level1.lzh", RAW_FILE_TYPE_LZH, "") &&
           maker.Add("jlha LZH, header level 0", "level0.lzh", RAW_FILE_TYPE_LZH, "") &&
           maker.Add("jlha LZH, header level 2", "level2.lzh", RAW_FILE_TYPE_LZH, "");
}

}  // namespace

std::string MissingArchiveTools() { return MissingTool({"zip", "7z", "gzip", "tar", "gcab", "jlha", "bzip2"}); }

bool ArchiveSamples(std::string const& folder, std::vector<CarvedSample>& samples, std::string& error) {
    SampleMaker maker(folder, samples, error);
    if (!maker.Write("notes.txt", Prose(120)) || !maker.Write("letter.txt", Prose(3))) return false;
    if (!MakeZipSamples(maker) || !MakeGzipSamples(maker) || !MakeTarSamples(maker) || !MakeOtherArchives(maker))
        return false;
    maker.Add("RAR 1.5-4.x", MakeRar({3000, 700}, true), RAW_FILE_TYPE_RAR);
    maker.Add("StuffIt 5", MakeSit(5000), RAW_FILE_TYPE_SIT);
    maker.Add("StuffIt X", MakeSitx(6000), RAW_FILE_TYPE_SITX);
    Bytes dmg = MakeDmg(folder, 20000);
    if (dmg.empty()) {
        error = "bzip2 failed";
        return false;
    }
    maker.Add("bzip2 disk image", std::move(dmg), RAW_FILE_TYPE_DMG);
    return true;
}

}  // namespace archivetest
