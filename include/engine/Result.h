#pragma once
// 64-bit result codes kept and returned by engine operations.
//
// | bits  | meaning                                  |
// | 56-63 | severity: 1 error, 0 success             |
// | 48-55 | module number                            |
// | 32-47 | location: tells raising statements apart |
// |  0-31 | code                                     |
#include <cstdint>

using RESULT = std::uint64_t;

constexpr RESULT kResultSuccess = 0;

// Module numbers.
constexpr std::uint8_t kModuleUiModel = 0x02;
constexpr std::uint8_t kModuleEnumDevice = 0x03;
constexpr std::uint8_t kModuleRecoveryController = 0x04;
constexpr std::uint8_t kModuleHfsPlus = 0x05;
constexpr std::uint8_t kModuleFatSearch = 0x0A;
constexpr std::uint8_t kModuleRawSearch = 0x0B;
constexpr std::uint8_t kModuleCopyOut = 0x0D;
constexpr std::uint8_t kModuleStorageDevice = 0x0E;
constexpr std::uint8_t kModulePartitionTable = 0x10;
constexpr std::uint8_t kModuleNtfs = 0x12;
constexpr std::uint8_t kModuleExFatSearch = 0x21;
constexpr std::uint8_t kModuleNtfsSearch = 0x23;

// Codes shared by the modules.
constexpr std::uint32_t kCodeIoFailure = 1;
constexpr std::uint32_t kCodeNotSupported = 3;
constexpr std::uint32_t kCodeOutOfMemory = 4;
constexpr std::uint32_t kCodeBadArgument = 5;
constexpr std::uint32_t kCodeMissingObject = 7;

// The HFS+ module's own codes.
namespace hfsplus {
constexpr std::uint32_t kCodeNotReady = 2;
constexpr std::uint32_t kCodeUnsupportedTree = 3;
constexpr std::uint32_t kCodeBadData = 6;
constexpr std::uint32_t kCodeStopped = 0xD;
constexpr std::uint32_t kCodeShortRead = 0xE;
constexpr std::uint32_t kCodeDeviceRead = 0x501;
}  // namespace hfsplus

constexpr RESULT MakeResult(std::uint8_t u8Module, std::uint16_t u16Location, std::uint32_t u32Code) {
    return (RESULT{1} << 56) | (RESULT{u8Module} << 48) | (RESULT{u16Location} << 32) | u32Code;
}
constexpr bool Failed(RESULT result) { return (result >> 56) != 0; }
constexpr bool Succeeded(RESULT result) { return !Failed(result); }
constexpr std::uint8_t ResultModule(RESULT result) { return static_cast<std::uint8_t>(result >> 48); }
constexpr std::uint16_t ResultLocation(RESULT result) { return static_cast<std::uint16_t>(result >> 32); }
constexpr std::uint32_t ResultCode(RESULT result) { return static_cast<std::uint32_t>(result); }

// The raising statement's source line is its location.
#define ENGINE_RESULT(module, code) ::MakeResult((module), static_cast<std::uint16_t>(__LINE__), (code))
