#pragma once
// Whether every byte of a copy is zero, learnt from its chunks as they are written (no second
// read): a deleted file whose clusters read back so was overwritten with zeros or trimmed.
#include <cstdint>
#include <span>

class CZeroWatch {
public:
    /// Takes the copy's next bytes; once one is not zero, no more are looked at.
    void See(std::span<std::uint8_t const> bytes);
    bool OnlyZeros() const { return m_bOnlyZeros; }

private:
    bool m_bOnlyZeros = true;
};
