#pragma once
// One mode's command line: named options in any order, each with or without a value, and a
// fixed number of operands. Whatever does not fit is refused, never guessed at.
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace scanbench {

/// What a mode answers for a wrong command line; main then prints that mode's usage.
constexpr int kUsageError = 2;

struct OptionSpec {
    std::string_view name;  // "--out"
    bool bTakesValue;
    bool bRepeatable = false;  // may be given more than once; Values answers them all
};

class CCommandLine {
public:
    /// Null, after saying why on standard error, on an unknown option, an option without its
    /// value (a value may not be empty or start with "--"), an option given twice, or another
    /// number of operands than `operandCount`.
    static std::optional<CCommandLine> Parse(std::span<char* const> args, std::span<OptionSpec const> options,
                                             std::size_t operandCount);

    bool Has(std::string_view name) const { return m_options.find(name) != m_options.end(); }
    /// The option's value (its first, for a repeatable one); null when it was not given.
    std::optional<std::string> Value(std::string_view name) const;
    /// Every value of the option, in the order given.
    std::vector<std::string> Values(std::string_view name) const;
    std::string const& Operand(std::size_t index) const { return m_operands.at(index); }

private:
    std::multimap<std::string, std::string, std::less<>> m_options;
    std::vector<std::string> m_operands;
};

/// A non-negative whole number, decimal or 0x-prefixed hex, with nothing after it.
std::optional<long long> ParseCount(std::string_view text);

}  // namespace scanbench
