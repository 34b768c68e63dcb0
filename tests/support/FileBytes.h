#pragma once
// Whole files as bytes, for tests that patch what a tool or the program wrote.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace testsupport {

/// The file's bytes; empty when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(std::string const& path);
/// Replaces the file's content; false when it could not be written whole.
bool WriteFileBytes(std::string const& path, std::span<std::uint8_t const> bytes);
/// The parts one after another, as a file made of them holds them.
std::vector<std::uint8_t> Joined(std::initializer_list<std::vector<std::uint8_t>> parts);

}  // namespace testsupport
