#include "engine/CatchExeception.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "engine/Types.h"
#include "engine/UiModelServices.h"
#include "engine/core/util/Locks.h"
#include "engine/core/util/TimeFunctions.h"

namespace {

constexpr int kPrefixField = 48;                                      // "hh:mm:ss " and its zero
constexpr int kMessageField = CatchExeception::kMaxMessageChars + 1;  // message and its zero
constexpr char kLogFileName[] = "/quorinlab.log";

// Created on first use and never destroyed, so that a line logged from a static destructor late
// in the process still finds its lock and its path.
SimpleCs& LogLock() {
    static SimpleCs* pLock = new SimpleCs;
    return *pLock;
}

}  // namespace

int CatchExeception::WriteLog(char const* pszFormat, ...) {
    char szLine[kPrefixField + kMessageField] = {};

    _SYSTEMTIME now;
    GetLocalTime(&now);
    int iPrefix = std::snprintf(szLine, kPrefixField, "%02d:%02d:%02d ", now.wHour, now.wMinute, now.wSecond);
    if (iPrefix < 0) iPrefix = 0;
    if (iPrefix > kPrefixField - 1) iPrefix = kPrefixField - 1;

    if (pszFormat) {
        va_list args;
        va_start(args, pszFormat);
        std::vsnprintf(szLine + iPrefix, kMessageField, pszFormat, args);
        va_end(args);
    }
    size_t const uLength = std::strlen(szLine);

    SimpleLock lock(&LogLock(), "WriteLog");
    std::fprintf(stderr, "%s", szLine);

    std::string const logPath = std::string(GetWorkPath()) + kLogFileName;
    if (std::FILE* pFile = std::fopen(logPath.c_str(), "a+")) {
        // A buffered write can fail only at the flush (a full disk), so both count as the write.
        bool const bWritten = std::fwrite(szLine, 1, uLength, pFile) == uLength && std::fflush(pFile) == 0;
        int const iError = errno;
        if (!bWritten) {
            std::fprintf(stderr, "%s failed with %s\n", "WriteLog",
                         std::error_code(iError, std::generic_category()).message().c_str());
        }
        std::fclose(pFile);
    }
    return static_cast<int>(uLength);
}

char const* CatchExeception::GetWorkPath() {
    // GetAppWorkPath never answers null or empty, so one copy suffices; the whole path is kept.
    // Never destroyed, like the log lock.
    static std::string const* pWorkPath = new std::string(GetAppWorkPath());
    return pWorkPath->c_str();
}
