// A test on a freshly reset simulated machine that must leave no handle open.
#pragma once

#include "os/sim/Machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace testing_support {

constexpr std::uint64_t kBluetoothPrinter = 0x001B35E40D7A;

// A Bluetooth device as a scan reports it; by default the printer the
// tests use, with a printer's class of device.
inline os::BluetoothDeviceRecord BluetoothRecord(std::uint64_t address = kBluetoothPrinter,
                                                 const std::wstring& name = L"A4 Printer BT",
                                                 std::uint32_t classOfDevice = 0x040680) {
    os::BluetoothDeviceRecord record;
    record.address = address;
    record.classOfDevice = classOfDevice;
    record.name = name;
    return record;
}

// That device, in reach of the machine.
inline os::sim::BluetoothDevice& AddBluetoothDevice(os::sim::Machine& machine,
                                                    std::uint64_t address = kBluetoothPrinter,
                                                    const std::wstring& name = L"A4 Printer BT",
                                                    std::uint32_t classOfDevice = 0x040680) {
    os::sim::BluetoothDevice device;
    device.record = BluetoothRecord(address, name, classOfDevice);
    machine.bluetooth.devices.push_back(device);
    return machine.bluetooth.devices.back();
}

}  // namespace testing_support

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { machine.Reset(); }
    void TearDown() override { EXPECT_EQ(machine.OpenHandleCount(), 0u) << "a handle was left open"; }

    os::sim::Machine& machine = os::sim::TheMachine();
};
