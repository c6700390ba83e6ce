#include "printsys/SpoolerInventory.h"

#include "support/SimTest.h"


namespace {

using printsys::SpoolerEntry;
using Operation = os::sim::Operation;

class SpoolerInventory : public SimTest {
protected:
    void AddDriver(const std::wstring& name, const std::wstring& infPath) {
        os::sim::Driver driver;
        driver.name = name;
        driver.infPath = infPath;
        machine.spooler.drivers.push_back(driver);
    }
    void AddPrinter(const std::wstring& name, const std::wstring& driver) {
        machine.spooler.printers.push_back({name, driver, L"LPT1:"});
    }
};

TEST_F(SpoolerInventory, PrintersCarryTheInfPathOfTheFirstDriverOfExactlyTheirName) {
    AddDriver(L"a4 printer(300dpi)", L"C:\\lower.inf");
    AddDriver(L"A4 Printer(300dpi)", L"C:\\first.inf");
    AddDriver(L"A4 Printer(300dpi)", L"C:\\second.inf");
    AddDriver(L"Plain", L"");
    AddPrinter(L"Office", L"A4 Printer(300dpi)");
    AddPrinter(L"Old", L"Plain");
    AddPrinter(L"Orphan", L"Gone");

    std::vector<SpoolerEntry> printers{{L"stale", L"", L""}};
    printsys::ListPrinters(printers);

    const std::vector<SpoolerEntry> expected = {
        {L"Office", L"A4 Printer(300dpi)", L"C:\\first.inf"}, {L"Old", L"Plain", L""}, {L"Orphan", L"Gone", L""}};
    EXPECT_EQ(printers, expected);
}

TEST_F(SpoolerInventory, BeforeVistaThereAreNoInfPaths) {
    machine.version = {5, 1, 2600};
    AddDriver(L"A4 Printer(203dpi)", L"C:\\a4.inf");
    AddPrinter(L"Office", L"A4 Printer(203dpi)");

    std::vector<SpoolerEntry> printers, drivers;
    printsys::ListPrinters(printers);
    printsys::ListDrivers(drivers);

    EXPECT_EQ(printers, (std::vector<SpoolerEntry>{{L"Office", L"A4 Printer(203dpi)", L""}}));
    EXPECT_EQ(drivers, (std::vector<SpoolerEntry>{{L"", L"A4 Printer(203dpi)", L""}}));
}

TEST_F(SpoolerInventory, DriversAndPortsInTheSpoolersOrder) {
    AddDriver(L"Zeta", L"C:\\z.inf");
    AddDriver(L"Alpha", L"");
    machine.spooler.ports.push_back({L"IP_10.0.0.5", L"Standard TCP/IP Port", L"Standard TCP/IP Port", {}});

    std::vector<SpoolerEntry> drivers, ports;
    printsys::ListDrivers(drivers);
    printsys::ListPorts(ports);

    EXPECT_EQ(drivers, (std::vector<SpoolerEntry>{{L"", L"Zeta", L"C:\\z.inf"}, {L"", L"Alpha", L""}}));
    ASSERT_EQ(ports.size(), 4u);
    EXPECT_EQ(ports[1], (SpoolerEntry{L"COM1:", L"Local Port", L"Local Port"}));
    EXPECT_EQ(ports[3], (SpoolerEntry{L"IP_10.0.0.5", L"Standard TCP/IP Port", L"Standard TCP/IP Port"}));
}

// The list can change between the size probe and the fetch: a printer added
// makes the fetch fail for lack of room, one removed makes it return fewer.
// Neither may show records that the fetch did not return.
TEST_F(SpoolerInventory, ListsChangingBetweenTheTwoCallsShowOnlyWhatTheFetchReturned) {
    AddPrinter(L"One", L"D");
    AddPrinter(L"Two", L"D");
    std::vector<SpoolerEntry> printers;

    machine.BeforeCall(Operation::EnumPrinters, 2, [&] { AddPrinter(L"Three", L"D"); });
    printsys::ListPrinters(printers);
    EXPECT_TRUE(printers.empty());

    machine.BeforeCall(Operation::EnumPrinters, 2, [&] { machine.spooler.printers.erase(machine.spooler.printers.begin()); });
    printsys::ListPrinters(printers);
    ASSERT_EQ(printers.size(), 2u);
    EXPECT_EQ(printers[0].first, L"Two");
    EXPECT_EQ(printers[1].first, L"Three");

    machine.FailCall(Operation::EnumPorts, 1722, 2);
    std::vector<SpoolerEntry> ports{{L"stale", L"", L""}};
    printsys::ListPorts(ports);
    EXPECT_TRUE(ports.empty());
}

// The spooler compares printer, port and driver names without case.
TEST_F(SpoolerInventory, ExistenceIgnoresCaseAsTheSpoolerDoes) {
    AddDriver(L"A4 Printer(203dpi)", L"");
    AddPrinter(L"Office Printer", L"A4 Printer(203dpi)");
    struct Case {
        bool (*exists)(const std::wstring&);
        const wchar_t* name;
        bool expected;
    };
    const Case cases[] = {
        {printsys::PortExists, L"COM1:", true},
        {printsys::PortExists, L"com1:", true},
        {printsys::PortExists, L"COM1", false},
        {printsys::DriverExists, L"A4 Printer(203dpi)", true},
        {printsys::DriverExists, L"a4 PRINTER(203DPI)", true},
        {printsys::DriverExists, L"A4 Printer", false},
        {printsys::PrinterExists, L"Office Printer", true},
        {printsys::PrinterExists, L"office printer", true},
        {printsys::PrinterExists, L"OFFICE PRINTER", true},
        {printsys::PrinterExists, L"Office", false},
        {printsys::PrinterExists, L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.exists(c.name), c.expected) << c.name;

    AddPrinter(L"", L"A4 Printer(203dpi)");
    EXPECT_TRUE(printsys::PrinterExists(L""));

    // A connection to another machine's printer takes its name too.
    AddPrinter(L"\\\\server\\Front desk", L"A4 Printer(203dpi)");
    machine.spooler.printers.back().attributes = 0x10;
    EXPECT_TRUE(printsys::PrinterExists(L"\\\\server\\Front desk"));
}

// The name rule: the spooler's length (in UTF-16 units, a character beyond
// the BMP counts two), and no unpaired surrogate.
TEST(PrinterNameRule, LengthAndSurrogates) {
    const std::wstring most(printsys::kMaxPrinterNameChars, L'x');
    const std::wstring printer = sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDDA8") : std::wstring(1, wchar_t(0x1F5A8));
    const struct {
        std::wstring name;
        bool valid;
    } cases[] = {
        {most, true},
        {most + L"x", false},
        {most.substr(2) + printer, true},
        {most.substr(1) + printer, false},
        {L"Front " + std::wstring(1, wchar_t(0xD800)), false},
        {std::wstring(1, wchar_t(0xDC00)) + L"Front", false},
        {L"Front " + printer + L" desk", true},
    };
    for (const auto& c : cases) EXPECT_EQ(printsys::IsValidPrinterName(c.name), c.valid) << c.name.size();
}

// Level 2 takes local printers and connections, each by its own flag;
// browsing the domain is for level 1.
TEST_F(SpoolerInventory, EnumPrintersHonoursItsFlags) {
    AddPrinter(L"Local", L"D");
    AddPrinter(L"Connection", L"D");
    machine.spooler.printers.back().attributes = 0x10;
    const struct {
        std::uint32_t flags;
        std::vector<std::wstring> names;
        std::uint32_t error;
    } cases[] = {
        {os::kPrinterEnumLocal, {L"Local"}, 0},
        {os::kPrinterEnumConnections, {L"Connection"}, 0},
        {os::kPrinterEnumLocal | os::kPrinterEnumConnections, {L"Local", L"Connection"}, 0},
        {os::kPrinterEnumLocal | os::kPrinterEnumNetwork, {}, 124},
    };
    for (const auto& c : cases) {
        std::uint32_t needed = 0;
        std::vector<os::PrinterInfo2> found;
        EXPECT_EQ(os::EnumPrintersW(c.flags, 1u << 20, needed, found), c.error == 0) << c.flags;
        if (c.error != 0) {
            EXPECT_EQ(os::GetLastError(), c.error) << c.flags;
        }
        std::vector<std::wstring> names;
        for (const auto& p : found) names.push_back(p.printerName);
        EXPECT_EQ(names, c.names) << c.flags;
    }
}

TEST_F(SpoolerInventory, NothingExistsWhenTheSpoolerDoesNotAnswer) {
    AddDriver(L"D", L"");
    AddPrinter(L"P", L"D");
    machine.FindService(L"Spooler")->state = os::kServiceStopped;

    EXPECT_FALSE(printsys::PrinterExists(L"P"));
    EXPECT_FALSE(printsys::PortExists(L"COM1:"));
    EXPECT_FALSE(printsys::DriverExists(L"D"));
    EXPECT_EQ(printsys::GetDriverDirectory(), L"");
    EXPECT_EQ(os::GetLastError(), 1722u);
}

TEST_F(SpoolerInventory, DriverDirectoryEndsInOneBackslash) {
    const std::wstring directory = printsys::GetDriverDirectory();
    EXPECT_EQ(directory, machine.DriverDirectory().wstring() + L"\\");

    machine.FailCall(Operation::GetPrinterDriverDirectory, 5, 2);
    EXPECT_EQ(printsys::GetDriverDirectory(), L"");
}

}  // namespace
