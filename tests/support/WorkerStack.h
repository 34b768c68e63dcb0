#pragma once
// Runs test code on a thread with the scan worker's small stack, where recursion over hostile
// depths would overflow.
#include <cstddef>
#include <functional>

namespace testsupport {

/// The stack size of the threads that run scans.
constexpr std::size_t kScanWorkerStack = 2 * 1024 * 1024;

/// Runs `body` on a new thread with a stack of `stackSize` bytes and waits for it; a thread that
/// cannot be made fails the current test.
void RunWithStack(std::size_t stackSize, std::function<void()> const& body);

}  // namespace testsupport
