// The install page's rules: filters, rows, what a chosen row and Next put into the request, and
// the USB refresh timer.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "drvwizard/install_port_rows.h"
#include "drvwizard/install_refresh.h"
#include "drvwizard/install_rules.h"
#include "tests/support/port_lists.h"

namespace kelno {
namespace {

using test::OwnedPortList;
using test::TestPortFields;

// ---- filter -----------------------------------------------------------------------------------

struct FilterCase {
    int checkedButton;
    bool deviceKnown;
    std::uint16_t current;
    std::uint16_t filter;
    bool checkUsb;
};

TEST(InstallFilter, ChoosesFromTheCheckedButtonOrFallsBack) {
    const FilterCase cases[] = {
        {kFilterComButton, false, 0, 2, false},  // a checked button wins, known device or not
        {kFilterBluetoothButton, true, 3, 5, false},
        {kFilterOthersButton, true, 0, 7, false},
        {0, false, 0, 1, true},  // nothing known: USB is checked at once
        {0, false, 3, 1, true},
        {0, true, 0, 0, false},  // a device known: the filter stays (first list)
        {0, true, 5, 5, false},
    };
    for (const auto& c : cases) {
        const FilterChoice choice = ChooseFilter(c.checkedButton, c.deviceKnown, c.current);
        EXPECT_EQ(choice.filter, c.filter) << c.checkedButton << " " << c.deviceKnown << " " << c.current;
        EXPECT_EQ(choice.checkUsb, c.checkUsb) << c.checkedButton << " " << c.deviceKnown;
    }
}

// ---- model list -------------------------------------------------------------------------------

TEST(InstallModels, EveryEntryFindsItsRowAndProposesItsName) {
    for (const ModelRow& row : ModelTable()) {
        const std::u16string entry = ModelEntryText(row);
        EXPECT_EQ(FindModel(entry), &row);
        const auto proposed = ProposedPrinterNameForEntry(entry);
        ASSERT_TRUE(proposed.has_value());
        EXPECT_EQ(*proposed, ProposedPrinterName(row));
    }
    EXPECT_FALSE(ProposedPrinterNameForEntry(u"Quillon MX-362").has_value());
}

// ---- a chosen row -----------------------------------------------------------------------------

TEST(InstallRow, ParsesOnlyPlainDottedAddresses) {
    const struct {
        std::u16string text;
        std::optional<std::array<std::uint8_t, 4>> address;
    } cases[] = {
        {u"192.168.1.50", std::array<std::uint8_t, 4>{192, 168, 1, 50}},
        {u"0.0.0.0", std::array<std::uint8_t, 4>{0, 0, 0, 0}},
        {u"255.255.255.255", std::array<std::uint8_t, 4>{255, 255, 255, 255}},
        {u"192.168.1.50_9100", std::nullopt},  // a network port named with its TCP port
        {u"256.1.1.1", std::nullopt},          // no byte value wraps around
        {u"1.2.3", std::nullopt},
        {u"1.2.3.4.5", std::nullopt},
        {u"1..3.4", std::nullopt},
        {u" 1.2.3.4", std::nullopt},
        {u"+1.2.3.4", std::nullopt},
        {u"1.2.3.0004", std::nullopt},
        {u"USB001", std::nullopt},
        {u"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseIpv4(c.text), c.address) << U16ToAscii(c.text);
        if (c.address) EXPECT_EQ(FormatIpv4(*c.address), c.text);
    }
}

TEST(InstallRow, BluetoothRowTextGivesItsComPort) {
    const struct {
        std::u16string text;
        std::optional<std::u16string> port;
    } cases[] = {
        {u"BT Printer(COM7)", u"COM7"},
        {u"BT Printer(COM5:)", u"COM5:"},
        {u"BT Printer(COM5:", u"COM5:"},
        {u"BT Printer()", std::nullopt},
        {u"Add Bluetooth Printer ...", std::nullopt},
        {u"bt printer(COM7)", std::nullopt},
        {u"BT Printer(" + std::u16string(32, u'C') + u")", std::u16string(32, u'C')},
        {u"BT Printer(" + std::u16string(33, u'C') + u")", std::nullopt},  // never a cut name
    };
    for (const auto& c : cases) EXPECT_EQ(BluetoothRowPort(c.text), c.port) << U16ToAscii(c.text);
}

TEST(InstallRow, BluetoothDescriptionLosesItsLastDashPart) {
    const struct {
        std::u16string description;
        std::uint16_t filter;
        std::u16string lookup;
    } cases[] = {
        {u"TavolenMX-410-A1B2", 5, u"TavolenMX-410"},
        {u"Tavolen MX-410", 5, u"Tavolen MX"},
        {u"Printer", 5, u"Printer"},
        {u"TavolenMX-410-A1B2", 1, u"TavolenMX-410-A1B2"},
        {u"TavolenMX-410-A1B2", 0, u"TavolenMX-410-A1B2"},
    };
    for (const auto& c : cases) EXPECT_EQ(ModelLookupText(c.description, c.filter), c.lookup);
}

TEST(InstallRow, ChosenRowSetsPortKindAndNetworkAddress) {
    const struct {
        std::u16string port;
        std::uint16_t filter;
        std::uint16_t kind;
        std::u16string host;
        std::int32_t tcpPort;
    } cases[] = {
        {u"USB001", 0, 0, u"", 0},
        {u"192.168.1.77", 0, 3, u"192.168.1.77", 9100},  // a discovered printer in the first list
        {u"192.168.1.77", 1, 1, u"", 0},                 // only the unfiltered list reads the name
        {u"COM3:", 2, 2, u"", 0},
        {u"IP_10.0.0.1", 0, 0, u"", 0},
    };
    for (const auto& c : cases) {
        PrinterInstallEntry request{};
        FillRequestFromRow(request, c.port, c.filter);
        EXPECT_EQ(FieldText(request.portName), c.port);
        EXPECT_EQ(request.portKind, c.kind) << U16ToAscii(c.port);
        EXPECT_EQ(FieldText(request.hostAddress), c.host);
        EXPECT_EQ(request.tcpPortNumber, c.tcpPort);
    }
}

TEST(InstallRow, LongPortTextIsCutToWhatTheRowKeeps) {
    PrinterInstallEntry request{};
    FillRequestFromRow(request, std::u16string(300, u'P'), 7);
    EXPECT_EQ(FieldText(request.portName).size(), kRowTextChars - 1);

    // The host address field holds 19 characters: the fallback never runs past it.
    FillNetworkFallback(request, u"a-very-long-printer-host-name");
    EXPECT_EQ(FieldText(request.hostAddress), u"a-very-long-printer");
    EXPECT_EQ(request.tcpPortNumber, kDefaultRawTcpPort);
}

// ---- Next -------------------------------------------------------------------------------------

InstallPageInput UsbInput(std::u16string port, std::u16string description, std::u16string model) {
    InstallPageInput input;
    input.modelText = std::move(model);
    input.printerName = u"Tavolen MX-420";
    input.setAsDefault = true;
    input.tcpPortText = u"9100";
    input.row = SelectedRow{std::move(port), std::move(description)};
    return input;
}

InstallPageInput NetworkInput(std::array<std::uint8_t, 4> ip, std::u16string tcpPort) {
    InstallPageInput input;
    input.modelText = u"Tavolen MX-410";
    input.printerName = u"Tavolen MX-410";
    input.networkChecked = true;
    input.ipAddress = ip;
    input.tcpPortText = std::move(tcpPort);
    return input;
}

struct NextCase {
    const char* name;
    InstallPageInput input;
    NextVerdict verdict;
    int message;
    std::u16string portName;
    std::u16string modelName;
    std::uint16_t portKind;
};

TEST(InstallNext, ValidatesAndFillsTheRequest) {
    InstallPageInput noRow = UsbInput(u"", u"", u"Tavolen MX-410");
    noRow.row.reset();
    InstallPageInput emptyName = UsbInput(u"USB001", u"TavolenMX-420", u"Tavolen MX-420");
    emptyName.printerName.clear();
    InstallPageInput backslash = emptyName, comma = emptyName, tooLong = emptyName;
    backslash.printerName = u"Labels\\Shelf";
    comma.printerName = u"Labels,Shelf";
    tooLong.printerName = std::u16string(260, u'N');
    InstallPageInput networkRow = NetworkInput({10, 0, 0, 9}, u"9100");
    networkRow.row = SelectedRow{u"10.0.0.9", u"Tavolen MX-410"};

    const NextCase cases[] = {
        {"usb row", UsbInput(u"USB001", u"TavolenMX-420", u"Tavolen MX-420"), NextVerdict::proceed, 0, u"USB001",
         u"Tavolen MX-420", 0},
        {"typed address", NetworkInput({192, 168, 1, 50}, u"9100"), NextVerdict::proceed, 0, u"192.168.1.50_9100",
         u"Tavolen MX-410", 3},
        {"typed address, other port", NetworkInput({10, 1, 2, 3}, u"515"), NextVerdict::proceed, 0, u"10.1.2.3_515",
         u"Tavolen MX-410", 3},
        {"network row", networkRow, NextVerdict::proceed, 0, u"10.0.0.9", u"Tavolen MX-410", 3},
        {"empty address", NetworkInput({0, 0, 0, 0}, u"9100"), NextVerdict::stay, kMessageInputIpAddress, u"", u"", 0},
        {"port zero", NetworkInput({192, 168, 1, 50}, u"0"), NextVerdict::stay, kMessageTcpPortInvalid, u"", u"", 0},
        {"port too big", NetworkInput({192, 168, 1, 50}, u"65536"), NextVerdict::stay, kMessageTcpPortInvalid, u"", u"",
         0},
        {"port not a number", NetworkInput({192, 168, 1, 50}, u"91x0"), NextVerdict::stay, kMessageTcpPortInvalid, u"",
         u"", 0},
        {"port empty", NetworkInput({192, 168, 1, 50}, u""), NextVerdict::stay, kMessageTcpPortInvalid, u"", u"", 0},
        {"highest port", NetworkInput({192, 168, 1, 50}, u"65535"), NextVerdict::proceed, 0, u"192.168.1.50_65535",
         u"Tavolen MX-410", 3},
        {"no row", noRow, NextVerdict::stay, kMessageChoosePort, u"", u"", 0},
        {"empty name", emptyName, NextVerdict::stay, kMessagePrinterNameEmpty, u"", u"", 0},
        {"backslash", backslash, NextVerdict::stay, kMessagePrinterNameInvalid, u"", u"", 0},
        {"comma", comma, NextVerdict::stay, kMessagePrinterNameInvalid, u"", u"", 0},
        {"name too long", tooLong, NextVerdict::stay, kMessagePrinterNameInvalid, u"", u"", 0},
        {"bluetooth row", UsbInput(u"BT Printer(COM7)", u"TavolenMX-410-1A2B", u"Tavolen MX-410"), NextVerdict::proceed,
         0, u"COM7", u"Tavolen MX-410", 0},
        {"unknown model", UsbInput(u"USB002", u"Other", u"Quillon MX-362"), NextVerdict::askUnsupported,
         kMessageUnsupportedModel, u"USB002", u"Quillon MX-362", 0},
    };
    for (const auto& c : cases) {
        PrinterInstallEntry request{};
        const NextOutcome outcome = ValidateAndFillRequest(c.input, request, nullptr);
        EXPECT_EQ(outcome.verdict, c.verdict) << c.name;
        if (c.verdict != NextVerdict::proceed) EXPECT_EQ(outcome.messageId, c.message) << c.name;
        if (c.verdict == NextVerdict::stay) {
            // A refusal installs nothing: no port chosen for the worker.
            EXPECT_TRUE(FieldText(request.portName).empty()) << c.name;
            continue;
        }
        EXPECT_EQ(FieldText(request.portName), c.portName) << c.name;
        EXPECT_EQ(FieldText(request.modelName), c.modelName) << c.name;
        EXPECT_EQ(FieldText(request.printerName), c.input.printerName) << c.name;
        EXPECT_EQ(request.portKind, c.portKind) << c.name;
        EXPECT_EQ(outcome.setAsDefault, c.input.setAsDefault) << c.name;
    }
}

TEST(InstallNext, NetworkRequestCarriesAddressAndPort) {
    PrinterInstallEntry request{};
    ASSERT_EQ(ValidateAndFillRequest(NetworkInput({192, 168, 1, 50}, u"9101"), request, nullptr).verdict,
              NextVerdict::proceed);
    EXPECT_EQ(FieldText(request.hostAddress), u"192.168.1.50");
    EXPECT_EQ(request.tcpPortNumber, 9101);
}

TEST(InstallNext, ModelVariantIsAskedOnlyForItsDescription) {
    std::vector<std::u16string> asked;
    const ModelVariantQuery query = [&](std::u16string_view port) -> std::optional<std::u16string> {
        asked.emplace_back(port);
        return u"Quillon MX-362_";
    };
    PrinterInstallEntry request{};
    EXPECT_EQ(ValidateAndFillRequest(UsbInput(u"USB003", u"QuillonMX-362", u"Tavolen MX-410"), request, query).verdict,
              NextVerdict::askUnsupported);
    EXPECT_EQ(FieldText(request.modelName), u"Quillon MX-362_");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], u"USB003");

    // A printer that cannot be asked keeps the model list's text.
    const ModelVariantQuery silent = [](std::u16string_view) { return std::optional<std::u16string>(); };
    PrinterInstallEntry kept{};
    EXPECT_EQ(ValidateAndFillRequest(UsbInput(u"USB003", u"QuillonMX-362", u"Tavolen MX-410"), kept, silent).verdict,
              NextVerdict::proceed);
    EXPECT_EQ(FieldText(kept.modelName), u"Tavolen MX-410");

    ValidateAndFillRequest(UsbInput(u"USB004", u"QuillonMX-362 ", u"Tavolen MX-410"), request, query);
    EXPECT_EQ(asked.size(), 1u);
}

// ---- rows -------------------------------------------------------------------------------------

TEST(InstallRows, FilterKeepsItsTypeAndNamesTheDropped) {
    const OwnedPortList spooler{
        {u"COM5:", u"Bluetooth", kPortTypeBluetooth},
        {u"LPT1:", u"Local Port", kPortTypeOther},
        {u"COM1:", u"Local Port", kPortTypeCom},
    };
    const RowPlan bluetooth = PlanListRows(spooler.list(), kPortTypeBluetooth);
    ASSERT_EQ(bluetooth.insert.size(), 1u);
    EXPECT_EQ(bluetooth.insert[0].portName, u"COM5:");
    ASSERT_EQ(bluetooth.dropped.size(), 2u);
    EXPECT_EQ(bluetooth.dropped[0].portName, u"LPT1:");
    EXPECT_EQ(bluetooth.dropped[0].actualType, kPortTypeOther);
    EXPECT_EQ(bluetooth.dropped[1].requestedType, kPortTypeBluetooth);

    const RowPlan all = PlanListRows(spooler.list(), 0);
    ASSERT_EQ(all.insert.size(), 3u);
    EXPECT_TRUE(all.dropped.empty());
    // Walk order is head first.
    EXPECT_EQ(all.insert[0].portName, u"COM5:");
    EXPECT_EQ(all.insert[2].portName, u"COM1:");
    EXPECT_EQ(all.insert[2].portType, kPortTypeCom);
}

// ---- USB refresh ------------------------------------------------------------------------------

TEST(UsbRefreshSnapshot, AnyFieldOrCountChangeIsAChange) {
    const OwnedPortList before{{u"USB001", u"TavolenMX-420", kPortTypeUsb, u"SER1", u"usbprint\\tavolenmx-4208672"}};
    const std::u16string snapshot = UsbSnapshot(before.list());
    EXPECT_EQ(snapshot, u"USB001|TavolenMX-420|SER1|usbprint\\tavolenmx-4208672\n");

    const struct {
        const char* name;
        TestPortFields replacement;
        bool changed;
    } cases[] = {
        {"same", {u"USB001", u"TavolenMX-420", kPortTypeUsb, u"SER1", u"usbprint\\tavolenmx-4208672"}, false},
        {"other serial", {u"USB001", u"TavolenMX-420", kPortTypeUsb, u"SER2", u"usbprint\\tavolenmx-4208672"}, true},
        {"other port", {u"USB002", u"TavolenMX-420", kPortTypeUsb, u"SER1", u"usbprint\\tavolenmx-4208672"}, true},
        {"other model", {u"USB001", u"TavolenMX-410", kPortTypeUsb, u"SER1", u"usbprint\\tavolenmx-4107472"}, true},
    };
    for (const auto& c : cases) {
        OwnedPortList after;
        after.Push(c.replacement);
        EXPECT_EQ(UsbListChanged(1, 1, snapshot, UsbSnapshot(after.list())), c.changed) << c.name;
    }
    // The count alone also counts: the first scan after start finds what the last change did not see.
    EXPECT_TRUE(UsbListChanged(0, 1, snapshot, snapshot));
    // Fields never run together: "A|B" and "A" "|B" differ.
    const OwnedPortList joined{{u"A|B", u"", kPortTypeUsb}};
    const OwnedPortList split{{u"A", u"|B", kPortTypeUsb}};
    EXPECT_NE(UsbSnapshot(joined.list()), UsbSnapshot(split.list()));
}

// Runs ticks until the timer stops; the ticks that ran.
int TickUntilStopped(UsbRefreshTimer& timer, int changeAtTick, std::string& lastLine) {
    for (int tick = 1; tick <= 100 && timer.Active(); ++tick) {
        timer.BeginTick();
        const RefreshStep step = timer.EndTick(tick == changeAtTick);
        if (!step.line.empty()) lastLine = step.line;
        if (step.timer == TimerCommand::kill) return tick;
        EXPECT_EQ(step.timer, TimerCommand::none);
    }
    return -1;
}

TEST(UsbRefreshTimerTest, PollingEndsOnChangeOrAtTheLastTick) {
    const struct {
        int changeAtTick;
        int stoppedAt;
        const char* line;
    } cases[] = {
        {0, 15, "[drvwizard][PortUI][USBRefresh] stop=max_count count=15"},
        {1, 1, "[drvwizard][PortUI][USBRefresh] stop=changed count=1"},
        {7, 7, "[drvwizard][PortUI][USBRefresh] stop=changed count=7"},
        {15, 15, "[drvwizard][PortUI][USBRefresh] stop=changed count=15"},
    };
    for (const auto& c : cases) {
        UsbRefreshTimer timer;
        const RefreshStep start = timer.OnPrinterArrival();
        EXPECT_EQ(start.timer, TimerCommand::start);
        EXPECT_EQ(start.line, "[drvwizard][PortUI][USBRefresh] event=arrival timer=start intervalMs=200 maxCount=15");
        std::string last;
        EXPECT_EQ(TickUntilStopped(timer, c.changeAtTick, last), c.stoppedAt);
        EXPECT_EQ(last, c.line);
        EXPECT_FALSE(timer.Active());
        EXPECT_EQ(timer.Ticks(), 0);
    }
}

TEST(UsbRefreshTimerTest, SecondArrivalResetsTheCount) {
    UsbRefreshTimer timer;
    timer.OnPrinterArrival();
    for (int i = 0; i < 10; ++i) {
        timer.BeginTick();
        timer.EndTick(false);
    }
    const RefreshStep again = timer.OnPrinterArrival();
    EXPECT_EQ(again.timer, TimerCommand::start);
    EXPECT_NE(again.line.find("timer=reset"), std::string::npos);
    std::string last;
    EXPECT_EQ(TickUntilStopped(timer, 0, last), 15);
}

TEST(UsbRefreshTimerTest, RemovalAndNextStopPolling) {
    UsbRefreshTimer timer;
    timer.OnPrinterArrival();
    timer.BeginTick();
    timer.EndTick(false);
    timer.BeginTick();
    timer.EndTick(false);
    const RefreshStep next = timer.OnWizardNext();
    EXPECT_EQ(next.timer, TimerCommand::kill);
    EXPECT_EQ(next.line, "[drvwizard][PortUI][USBRefresh] stop=wiznext count=2");
    // Next while idle: no line, no timer to kill.
    const RefreshStep idleNext = timer.OnWizardNext();
    EXPECT_EQ(idleNext.timer, TimerCommand::none);
    EXPECT_TRUE(idleNext.line.empty());

    timer.OnPrinterArrival();
    const RefreshStep removal = timer.OnRemoval(3);
    EXPECT_EQ(removal.timer, TimerCommand::kill);
    EXPECT_EQ(removal.line, "[drvwizard][PortUI][USBRefresh] event=remove count=3");
    EXPECT_FALSE(timer.Active());
    // A removal while idle still says so, and kills nothing.
    const RefreshStep idleRemoval = timer.OnRemoval(0);
    EXPECT_EQ(idleRemoval.timer, TimerCommand::none);
    EXPECT_FALSE(idleRemoval.line.empty());
}

}  // namespace
}  // namespace kelno
