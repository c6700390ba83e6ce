#include "printsys/PortManagement.h"

#include "os/ErrorText.h"

#include "support/SimTest.h"

#include <functional>

namespace {

using os::sim::WriteBehaviour;
using Operation = os::sim::Operation;

class PortManagement : public SimTest {};

TEST_F(PortManagement, AStandardTcpIpPortIsRawTcpOn9100WithoutSnmp) {
    const std::wstring name(63, L'P');
    ASSERT_TRUE(printsys::AddStandardTcpIpPort(name, L"192.168.100.200"));

    const auto* port = machine.FindPort(name);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->name, name);
    EXPECT_EQ(port->monitor, L"Standard TCP/IP Port");
    ASSERT_TRUE(port->tcpIp.has_value());
    const auto& request = *port->tcpIp;
    EXPECT_EQ(request.version, 1u);
    EXPECT_EQ(request.protocol, 1u);
    EXPECT_EQ(request.hostAddress, L"192.168.100.200");
    EXPECT_EQ(request.ipAddress, L"192.168.100.200");
    EXPECT_EQ(request.portNumber, 9100u);
    EXPECT_EQ(request.snmpEnabled, 0u);
    EXPECT_EQ(request.snmpDevIndex, 0u);
    EXPECT_EQ(request.snmpCommunity, L"");
    EXPECT_EQ(request.queue, L"");
    EXPECT_EQ(request.doubleSpool, 0u);
}

// PORT_DATA_1 holds 63 characters of name and 15 of address; a cut text
// would create a port other than the one the user typed.
TEST_F(PortManagement, TextsThatDoNotFitAreRefusedNotCut) {
    EXPECT_FALSE(printsys::AddStandardTcpIpPort(std::wstring(64, L'P'), L"10.0.0.1"));
    EXPECT_FALSE(printsys::AddStandardTcpIpPort(L"IP_long", L"192.168.100.2001"));
    EXPECT_EQ(machine.spooler.ports.size(), 3u);
}

TEST_F(PortManagement, WithoutAdministratorRightsTheMonitorDoesNotOpen) {
    machine.isAdministrator = false;
    EXPECT_FALSE(printsys::AddStandardTcpIpPort(L"IP_10.0.0.1", L"10.0.0.1"));
    EXPECT_EQ(machine.FindPort(L"IP_10.0.0.1"), nullptr);

    machine.isAdministrator = true;
    machine.FailCall(Operation::XcvData, 1722);
    EXPECT_FALSE(printsys::AddStandardTcpIpPort(L"IP_10.0.0.1", L"10.0.0.1"));
}

// XcvDataW succeeds whenever the request reaches the monitor; what the
// monitor made of it is in its status, and the port must then be listed.
TEST_F(PortManagement, APortTheMonitorRefusedIsNotAdded) {
    struct Case {
        const char* what;
        std::function<void(os::sim::Machine&)> arrange;
        const wchar_t* name;
    };
    const Case cases[] = {
        {"a port of that name exists",
         [](os::sim::Machine& m) { m.spooler.ports.push_back({L"IP_10.0.0.1", L"", L"Standard TCP/IP Port", {}}); },
         L"IP_10.0.0.1"},
        {"the same name in other case", [](os::sim::Machine& m) { m.spooler.ports.push_back({L"ip_10.0.0.1", L"", L"Standard TCP/IP Port", {}}); },
         L"IP_10.0.0.1"},
        {"the monitor refuses", [](os::sim::Machine& m) { m.spooler.monitors[1].xcvAddPortStatus = 5; }, L"IP_10.0.0.1"},
        {"an empty name", [](os::sim::Machine&) {}, L""},
        {"the port vanishes after the call",
         [](os::sim::Machine& m) {
             m.BeforeCall(Operation::EnumPorts, 1, [&m] { m.spooler.ports.pop_back(); });
         },
         L"IP_10.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine.Reset();
        c.arrange(machine);
        const auto before = machine.spooler.ports.size();
        EXPECT_FALSE(printsys::AddStandardTcpIpPort(c.name, L"10.0.0.1"));
        EXPECT_LE(machine.spooler.ports.size(), before);
        EXPECT_EQ(machine.OpenHandleCount(), 0u);
    }
}

TEST_F(PortManagement, AnAcceptedPortIsListedUnderItsName) {
    ASSERT_TRUE(printsys::AddStandardTcpIpPort(L"IP_10.0.0.1", L"10.0.0.1"));
    EXPECT_EQ(machine.spooler.ports.size(), 4u);
    EXPECT_FALSE(printsys::AddStandardTcpIpPort(L"IP_10.0.0.1", L"10.0.0.1")) << "made once only";
}

TEST_F(PortManagement, DialogFailuresComeWithTheSystemsErrorText) {
    std::wstring error = L"unchanged";
    EXPECT_FALSE(printsys::DeletePortByName(L"USB404", os::WindowHandle::None, error));
    EXPECT_EQ(error, L"Code: 1796 - The port is unknown.\r\n");

    machine.spooler.printers.push_back({L"P", L"D", L"LPT1:"});
    EXPECT_FALSE(printsys::DeletePortByName(L"LPT1:", os::WindowHandle::None, error));
    EXPECT_EQ(error, L"Code: 170 - The requested resource is in use.\r\n");

    error = L"unchanged";
    EXPECT_TRUE(printsys::DeletePortByName(L"COM1:", os::WindowHandle::None, error));
    EXPECT_EQ(error, L"unchanged");
    EXPECT_EQ(machine.FindPort(L"COM1:"), nullptr);

    machine.spooler.monitors[0].addPortDialog = {1223, L""};
    EXPECT_FALSE(printsys::AddPortWithMonitor(L"Local Port", os::WindowHandle::None, error));
    EXPECT_EQ(error, L"Code: 1223 - The operation was canceled by the user.\r\n");

    error = L"unchanged";
    machine.spooler.monitors[0].addPortDialog = {0, L"C:\\out.prn"};
    EXPECT_TRUE(printsys::AddPortWithMonitor(L"Local Port", os::WindowHandle::None, error));
    EXPECT_EQ(error, L"unchanged");
    EXPECT_NE(machine.FindPort(L"C:\\out.prn"), nullptr);

    printsys::ConfigurePortByName(L"LPT1:", os::WindowHandle::None);
    printsys::ConfigurePortByName(L"nowhere", os::WindowHandle::None);
    EXPECT_EQ(machine.spooler.configuredPorts, std::vector<std::wstring>{L"LPT1:"});
}

class WriteToPort : public SimTest {
protected:
    os::sim::WriteTarget& AddDevice(const std::wstring& path, WriteBehaviour behaviour) {
        os::sim::WriteTarget target;
        target.path = path;
        target.behaviour = behaviour;
        machine.writeTargets.push_back(target);
        return machine.writeTargets.back();
    }
    const std::uint8_t bytes[4] = {'t', 'e', 's', 't'};
};

TEST_F(WriteToPort, ADeviceThatAcceptsAtOnceReturnsBeforeTheSecond) {
    AddDevice(L"\\\\?\\usb#printer", WriteBehaviour::Accept);
    EXPECT_TRUE(printsys::WriteToPort(L"\\\\?\\usb#printer", bytes, 4));
    EXPECT_LT(machine.Now(), 1000u);
    EXPECT_EQ(machine.writeTargets[0].written, std::vector<std::uint8_t>(bytes, bytes + 4));
}

TEST_F(WriteToPort, OutcomesByDevice) {
    struct Case {
        WriteBehaviour behaviour;
        std::uint32_t delayMs;
        std::uint32_t acceptBytes;
        std::uint32_t openError;
        bool written;
        std::uint64_t elapsed;
    };
    const Case cases[] = {
        {WriteBehaviour::AcceptLater, 300, 0, 0, true, 300},
        {WriteBehaviour::AcceptLater, 1500, 0, 0, false, 1000},
        {WriteBehaviour::Stall, 0, 0, 0, false, 1000},
        {WriteBehaviour::AcceptPart, 0, 3, 0, false, 0},
        {WriteBehaviour::Accept, 0, 0, 5, false, 0},
    };
    for (const Case& c : cases) {
        machine.Reset();
        auto& device = AddDevice(L"LPT1:", c.behaviour);
        device.delayMs = c.delayMs;
        device.acceptBytes = c.acceptBytes;
        device.openError = c.openError;
        EXPECT_EQ(printsys::WriteToPort(L"LPT1:", bytes, 4), c.written) << static_cast<int>(c.behaviour);
        EXPECT_EQ(machine.Now(), c.elapsed) << static_cast<int>(c.behaviour);
    }
    EXPECT_FALSE(printsys::WriteToPort(L"", bytes, 4));
    EXPECT_FALSE(printsys::WriteToPort(L"USB009", bytes, 4));
}

// The abandoned write's completion arrives during the next write's wait and
// must not be taken for that write's.
TEST_F(WriteToPort, AnAbandonedWriteDoesNotDisturbTheNextOne) {
    AddDevice(L"stalls", WriteBehaviour::Stall);
    AddDevice(L"slow", WriteBehaviour::AcceptLater).delayMs = 200;
    EXPECT_FALSE(printsys::WriteToPort(L"stalls", bytes, 4));
    EXPECT_TRUE(printsys::WriteToPort(L"slow", bytes, 4));
    EXPECT_EQ(machine.Now(), 1200u);
}

}  // namespace
