#include "engine/core/util/EngineAssert.h"

#include "engine/CatchExeception.h"

namespace engine {

bool ReportFailedPrecondition(char const* pszExpression, char const* pszFunction, char const* pszFile, int iLine) {
    CatchExeception::WriteLog("%s %s:%d precondition failed: %s\n", pszFunction ? pszFunction : "?",
                              pszFile ? pszFile : "?", iLine, pszExpression ? pszExpression : "?");
    return false;
}

}  // namespace engine
