#include "CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace scanbench {

std::optional<CCommandLine> CCommandLine::Parse(std::span<char* const> args, std::span<OptionSpec const> options,
                                                std::size_t operandCount) {
    CCommandLine parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view const arg = args[i];
        if (!arg.starts_with("--")) {
            parsed.m_operands.emplace_back(arg);
            continue;
        }
        auto const found =
            std::find_if(options.begin(), options.end(), [&](OptionSpec const& o) { return o.name == arg; });
        if (found == options.end()) {
            std::fprintf(stderr, "scanbench: unknown option '%s'\n", args[i]);
            return std::nullopt;
        }
        std::string value;
        if (found->bTakesValue) {
            std::string_view const next = i + 1 < args.size() ? std::string_view(args[i + 1]) : std::string_view();
            if (next.empty() || next.starts_with("--")) {
                std::fprintf(stderr, "scanbench: %s needs a value\n", args[i]);
                return std::nullopt;
            }
            value = next;
            ++i;
        }
        if (!found->bRepeatable && parsed.Has(arg)) {
            std::fprintf(stderr, "scanbench: %.*s is given twice\n", static_cast<int>(arg.size()), arg.data());
            return std::nullopt;
        }
        parsed.m_options.emplace(arg, std::move(value));
    }
    if (parsed.m_operands.size() != operandCount) {
        std::fprintf(stderr, "scanbench: %zu operand(s) expected, %zu given\n", operandCount, parsed.m_operands.size());
        return std::nullopt;
    }
    return parsed;
}

std::optional<std::string> CCommandLine::Value(std::string_view name) const {
    auto const it = m_options.find(name);
    if (it == m_options.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> CCommandLine::Values(std::string_view name) const {
    std::vector<std::string> values;
    auto const [first, last] = m_options.equal_range(name);
    for (auto it = first; it != last; ++it) values.push_back(it->second);
    return values;
}

std::optional<long long> ParseCount(std::string_view text) {
    int iBase = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        iBase = 16;
    }
    long long s64Value = 0;
    auto const [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), s64Value, iBase);
    if (text.empty() || error != std::errc() || pEnd != text.data() + text.size() || s64Value < 0) return std::nullopt;
    return s64Value;
}

}  // namespace scanbench
