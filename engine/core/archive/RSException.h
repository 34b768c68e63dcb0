#pragma once
// The failure the results-file container throws.
#include <cstdint>
#include <exception>

#include "engine/IRSData.h"

class CRSException final : public IRSException, public std::exception {
public:
    explicit CRSException(std::uint32_t u32Code) : m_u32Code(u32Code) {}

    std::uint32_t GetErrorcode() const override { return m_u32Code; }
    char const* what() const noexcept override;

private:
    std::uint32_t m_u32Code;
};
