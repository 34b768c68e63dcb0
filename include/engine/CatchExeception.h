#pragma once
// The process-wide log. Each line goes to standard error (standard output is left to what a
// script reads, the RESULT line) and is appended to "<work path>/quorinlab.log"; no file handle
// is kept between lines. The class name keeps its
// established spelling.
#include <cstdint>

class CatchExeception {
public:
    /// Writes "hh:mm:ss " and the formatted message (cut at kMaxMessageChars characters) to
    /// standard error and the log file; returns the line's length. Never fails its caller: an
    /// unopenable log file only loses the file copy. Callable from any thread, also recursively.
    static int WriteLog(char const* pszFormat, ...) __attribute__((format(printf, 1, 2)));

    /// The work folder, copied from GetAppWorkPath() on first use and kept for the life of the
    /// process; never null.
    static char const* GetWorkPath();

    /// The longest message a line keeps (a 2000-byte field with its terminating zero).
    static constexpr int kMaxMessageChars = 1999;
};
