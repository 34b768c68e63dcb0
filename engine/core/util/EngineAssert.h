#pragma once
// Preconditions on arguments (buffers present, sizes positive). A failed one is reported with
// the function, the file and the expression, and makes the call fail; it never aborts, because
// some checked values come from disk.

namespace engine {
/// Logs "<function> <file>:<line> precondition failed: <expression>" and returns false.
bool ReportFailedPrecondition(char const* pszExpression, char const* pszFunction, char const* pszFile, int iLine);
}  // namespace engine

/// True when `expr` holds; otherwise reports it and yields false: `if (!ENGINE_PRECONDITION(p)) return 0;`
#define ENGINE_PRECONDITION(expr) \
    ((expr) ? true : ::engine::ReportFailedPrecondition(#expr, __func__, __FILE__, __LINE__))
