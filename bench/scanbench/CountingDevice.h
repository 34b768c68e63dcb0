#pragma once
// A device seen through a counter of its reads: what the signature search's sizing reads beyond
// the block pass. Everything else goes straight to the device underneath. The read-ahead's thread
// and the search read it at once.
#include <atomic>
#include <cstdint>

#include "engine/core/device/ForwardingDevice.h"

namespace scanbench {

class CountingDevice final : public CForwardingDevice {
public:
    using CForwardingDevice::CForwardingDevice;

    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override {
        ++m_u64Reads;
        m_u64Sectors += s64Count > 0 ? static_cast<std::uint64_t>(s64Count) : 0;
        return CForwardingDevice::ReadSector(pBuffer, s64FirstSector, s64Count);
    }

    std::uint64_t Reads() const { return m_u64Reads; }
    std::uint64_t Sectors() const { return m_u64Sectors; }

private:
    std::atomic<std::uint64_t> m_u64Reads{0};
    std::atomic<std::uint64_t> m_u64Sectors{0};
};

}  // namespace scanbench
