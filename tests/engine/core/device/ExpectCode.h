#pragma once
// The check every device test makes after a refused call: a failure of the device module with
// the given code.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/IStorageDevice.h"

namespace devicetest {

inline void ExpectCode(IStorageDevice& device, std::uint32_t u32Code) {
    RESULT const result = device.GetLastError();
    EXPECT_TRUE(Failed(result));
    EXPECT_EQ(ResultModule(result), kModuleStorageDevice);
    EXPECT_EQ(ResultCode(result), u32Code);
}

}  // namespace devicetest
