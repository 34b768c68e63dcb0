// A failed precondition names the function, the file and the expression, and fails the call
// without ending the process: the checked values can come from a damaged disk.
#include "engine/core/util/EngineAssert.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/UiModelServices.h"
#include "support/TempDir.h"

namespace {

int CopyFirstByte(unsigned char const* pSource, unsigned char* pBuffer) {
    if (!ENGINE_PRECONDITION(pBuffer != nullptr)) return 0;
    *pBuffer = *pSource;
    return 1;
}

TEST(EnginePreconditionTest, FailedCheckIsLoggedWithFunctionFileAndExpressionAndFailsTheCall) {
    testsupport::TempDir dir;
    SetAppWorkPathOverride(dir.Path().c_str());
    unsigned char const source = 7;

    testing::internal::CaptureStderr();
    int const iResult = CopyFirstByte(&source, nullptr);
    std::string const printed = testing::internal::GetCapturedStderr();

    EXPECT_EQ(iResult, 0);
    EXPECT_NE(printed.find("CopyFirstByte "), std::string::npos) << printed;
    EXPECT_NE(printed.find("EngineAssertTest.cpp:"), std::string::npos) << printed;
    EXPECT_NE(printed.find("pBuffer != nullptr"), std::string::npos) << printed;
}

TEST(EnginePreconditionTest, PassedCheckLogsNothingAndLetsTheCallRun) {
    testsupport::TempDir dir;
    SetAppWorkPathOverride(dir.Path().c_str());
    unsigned char const source = 7;
    unsigned char target = 0;

    testing::internal::CaptureStderr();
    int const iResult = CopyFirstByte(&source, &target);
    std::string const printed = testing::internal::GetCapturedStderr();

    EXPECT_EQ(iResult, 1);
    EXPECT_EQ(target, 7);
    EXPECT_EQ(printed, "");
}

}  // namespace
