// Arbitrary bytes as one message of the kernel's uevent socket: a block event or none, never a
// read past the message.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/MediaEvents.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* pData, size_t uSize) {
    auto const event = platform::ParseKernelUevent(std::string_view(reinterpret_cast<char const*>(pData), uSize));
    if (event && (event->kernelName.empty() || event->kernelName.find('/') != std::string::npos)) __builtin_trap();
    return 0;
}
