#include "support/Sha256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace testsupport {
namespace {
std::string Hex(unsigned char const* digest, unsigned int length) {
    static char const kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += kDigits[digest[i] >> 4];
        out += kDigits[digest[i] & 15];
    }
    return out;
}
}  // namespace

std::string Sha256Hex(std::span<std::uint8_t const> bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    return Hex(digest, length);
}

std::string Sha256OfFile(std::string const& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return {};
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr);
    std::vector<unsigned char> buffer(1 << 20);
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0)
        EVP_DigestUpdate(ctx.get(), buffer.data(), n);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &length);
    return Hex(digest, length);
}
namespace {
// The folder as a path without a trailing separator, to compare with a file's parent.
std::string Top(std::string const& folder) {
    std::filesystem::path top = std::filesystem::path(folder).lexically_normal();
    if (!top.has_filename() && top.has_parent_path()) top = top.parent_path();
    return top.string();
}
bool IsRecoveryLog(std::filesystem::directory_entry const& entry, std::string const& folder) {
    return entry.is_regular_file() && entry.path().parent_path() == std::filesystem::path(folder) &&
           entry.path().filename().string().starts_with("Quorin recovery log ");
}
}  // namespace

std::map<std::string, int> HashCountsBelow(std::string const& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, int> hashes;
    if (!fs::exists(folder)) return hashes;
    std::string const top = Top(folder);
    for (auto const& entry : fs::recursive_directory_iterator(top))
        if (entry.is_regular_file() && !IsRecoveryLog(entry, top)) ++hashes[Sha256OfFile(entry.path().string())];
    return hashes;
}

std::vector<std::string> RecoveryLogsIn(std::string const& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> logs;
    if (!fs::exists(folder)) return logs;
    std::string const top = Top(folder);
    for (auto const& entry : fs::directory_iterator(top))
        if (IsRecoveryLog(entry, top)) logs.push_back(entry.path().string());
    std::sort(logs.begin(), logs.end());
    return logs;
}

}  // namespace testsupport
