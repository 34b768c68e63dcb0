#include "ReadGate.h"

#include <map>

#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDevice.h"
#include "engine/core/device/ForwardingDevice.h"

namespace apptest {

namespace {

// A device whose every call goes to the listed one, its reads through the gate first.
class GatedDevice final : public CForwardingDevice {
public:
    GatedDevice(IStorageDevice* inner, std::shared_ptr<ReadGate> gate)
        : CForwardingDevice(*inner), m_inner(inner), m_gate(std::move(gate)) {}
    IStorageDevice* inner() const { return m_inner; }

    int ReadSector(void* buffer, long long first, long long count) override {
        m_gate->Pass(first);
        return CForwardingDevice::ReadSector(buffer, first, count);
    }

private:
    IStorageDevice* m_inner;
    std::shared_ptr<ReadGate> m_gate;
};

// The image's list with every device it hands out (disks, partitions, volumes) gated.
class GatedEnumDeviceEx final : public IEnumDeviceEx {
public:
    GatedEnumDeviceEx(IEnumDeviceEx* inner, std::shared_ptr<ReadGate> gate) : m_inner(inner), m_gate(std::move(gate)) {}

    RESULT Init() override {
        m_gated.clear();
        return m_inner->Init();
    }
    RESULT Uninit() override {
        m_gated.clear();
        return m_inner->Uninit();
    }
    RESULT EnumDiskDevice(IStorageDevice** devices, int& count) override {
        return Gated(m_inner->EnumDiskDevice(devices, count), devices, count);
    }
    RESULT EnumPartitionDevice(IStorageDevice const* disk, IStorageDevice** devices, int& count) override {
        return Gated(m_inner->EnumPartitionDevice(Inner(disk), devices, count), devices, count);
    }
    RESULT EnumVolumeDevice(IStorageDevice const* disk, IStorageDevice** devices, int& count) override {
        return Gated(m_inner->EnumVolumeDevice(Inner(disk), devices, count), devices, count);
    }

private:
    // The inner list answers the protocol's codes; its gated devices take their places.
    RESULT Gated(RESULT result, IStorageDevice** devices, int count) {
        if (Failed(result) || !devices) return result;
        for (int i = 0; i < count; ++i) {
            auto& gated = m_gated[devices[i]];
            if (!gated) gated = std::make_unique<GatedDevice>(devices[i], m_gate);
            devices[i] = gated.get();
        }
        return result;
    }
    IStorageDevice* Inner(IStorageDevice const* device) const {
        for (const auto& [inner, gated] : m_gated)
            if (gated.get() == device) return inner;
        return const_cast<IStorageDevice*>(device);
    }

    std::unique_ptr<IEnumDeviceEx> m_inner;
    std::shared_ptr<ReadGate> m_gate;
    std::map<IStorageDevice*, std::unique_ptr<GatedDevice>> m_gated;
};

}  // namespace

IEnumDeviceEx* CreateGatedImageEnumDeviceEx(const std::string& image, std::shared_ptr<ReadGate> gate) {
    return new GatedEnumDeviceEx(CreateImageEnumDeviceEx({image}), std::move(gate));
}

}  // namespace apptest
