#pragma once
// Texts the windows show for sizes and file systems, and the process check.
#include <string>

namespace uimodel {

/// Decimal units: "999 byte", "1.00 KB", "1.50 MB", "2.00 GB", "1.00 TB" (negative sizes as 0).
std::string longlongDiskSize(long long s64Bytes);
/// The same texts for the results window's sizes and totals.
inline std::string longlongConvertVolSpace(long long s64Bytes) { return longlongDiskSize(s64Bytes); }
/// The same without the TB step (10^12 bytes read "1000.00 GB").
std::string convertVolSpace(unsigned long long u64Bytes);
/// A size text back to bytes; 0 for an empty text or an unknown suffix.
long long volSpaceFromString(std::string const& text);
/// "Disk Image" for an image; else the file system's name ("FAT32", "Unknown", "Disk" for others).
std::string fileSystemTypeForInt(int iType, int iIsDmg);

/// A fixed text whatever the identifier; nothing calls it.
inline std::string GetStringByID(unsigned) { return "abc"; }

/// Whether another copy of the program runs for this user. The first to ask takes the lock and
/// keeps it until it ends, so of two copies started together exactly one answers no.
bool IsAppRunning();

}  // namespace uimodel
