#pragma once
// Rules of the wizard's install page that need no window: the port filter and which controls it
// shows, the model list's entries and the proposed queue name, what a chosen row puts into the
// install request, and the checks of Next (ValidateAndFillRequest).
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/model_table.h"
#include "engine/install_entry.h"

namespace kelno {

// ---- the port filter --------------------------------------------------------------------------

// Radio buttons of the port filter and the port type each one keeps.
inline constexpr int kFilterUsbButton = 1027;
inline constexpr int kFilterNetworkButton = 1030;
inline constexpr int kFilterBluetoothButton = 1031;
inline constexpr int kFilterComButton = 1038;
inline constexpr int kFilterOthersButton = 1032;

// 0 (the start value) lists no spooler port; otherwise a port type of PortRecord.
inline constexpr std::uint16_t kNoPortFilter = 0;

// The port type a filter button keeps; 0 for a control that is no filter button.
std::uint16_t PortFilterOfButton(int controlId);
// The button that keeps this port type; 0 for none.
int ButtonOfPortFilter(std::uint16_t filter);

// The filter a rebuild of the list works with. checkedButton is the filter button that is
// checked, 0 when none is. With none checked and no device known, "USB" is checked (checkUsb) and
// the filter becomes USB; with none checked and a device known, the filter keeps its value.
struct FilterChoice {
    std::uint16_t filter;
    bool checkUsb;
};
FilterChoice ChooseFilter(int checkedButton, bool deviceKnown, std::uint16_t currentFilter);

// "Port Settings" works only for COM ports; the IP address and TCP port controls are there only
// for network printers.
inline bool PortSettingsEnabled(std::uint16_t filter) { return filter == 2; }
inline bool NetworkControlsShown(int clickedButton) { return clickedButton == kFilterNetworkButton; }

// Wizard buttons of the page: 3 (Back and Next) when a row is selected or the network filter is
// checked, else 1 (Back).
inline constexpr int kButtonsBack = 1;
inline constexpr int kButtonsBackNext = 3;
inline int PageButtons(bool rowSelected, bool networkChecked) {
    return rowSelected || networkChecked ? kButtonsBackNext : kButtonsBack;
}

// ---- model list and queue name ----------------------------------------------------------------

inline constexpr std::size_t kModelEntryChars = 50;  // the model list's text, terminator included

// "<brand> <model>" of a row, cut to what the model list holds.
std::u16string ModelEntryText(const ModelRow& row);
// The queue name proposed for a row: its default printer name, or else the list entry text.
std::u16string ProposedPrinterName(const ModelRow& row);
// The queue name proposed when the model list shows entryText; nothing when no row matches.
std::optional<std::u16string> ProposedPrinterNameForEntry(std::u16string_view entryText);

// ---- a chosen row -----------------------------------------------------------------------------

// Four decimal byte values separated by dots and nothing else ("192.168.1.50"); no sign, no
// blank, no value above 255.
std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::u16string_view text);
std::u16string FormatIpv4(const std::array<std::uint8_t, 4>& address);

// The COM port name inside a Bluetooth row's text "BT Printer(COM5:)". Nothing when the text is
// no such row or the name is empty or longer than kBluetoothPortChars.
inline constexpr std::size_t kBluetoothPortChars = 32;
std::optional<std::u16string> BluetoothRowPort(std::u16string_view rowText);

// The description the model is looked up by: with the Bluetooth filter, the device name before
// its last "-".
std::u16string ModelLookupText(std::u16string_view description, std::uint16_t filter);

// What choosing a row puts into the request: its port name (cut to 250 characters) and the
// filter as port kind; with no filter a port named like an IPv4 address is a network port on
// TCP port 9100 at that address.
inline constexpr std::size_t kRowTextChars = 251;  // what the page reads of a cell
void FillRequestFromRow(PrinterInstallEntry& request, std::u16string_view portText, std::uint16_t filter);

// With the network filter, when the port's TCP/IP configuration cannot be read: the port name
// is taken as the host address (cut to the field), on TCP port 9100.
void FillNetworkFallback(PrinterInstallEntry& request, std::u16string_view portText);

// ---- Next -------------------------------------------------------------------------------------

// String ids of the page's messages.
inline constexpr int kMessageChoosePort = 128;
inline constexpr int kMessageUnsupportedModel = 137;
inline constexpr int kMessageInputIpAddress = 145;
inline constexpr int kMessageTcpPortInvalid = 204;
inline constexpr int kMessagePrinterNameEmpty = 205;
inline constexpr int kMessagePrinterNameInvalid = 206;

// A queue name the spooler takes: not empty, no "\" and no ",", and it fits the request.
enum class PrinterNameProblem { none, empty, invalidCharacter };
PrinterNameProblem CheckPrinterName(std::u16string_view name);

// A TCP port number written in decimal digits only, 1 to 65535.
std::optional<std::int32_t> ParseTcpPort(std::u16string_view text);

struct SelectedRow {
    std::u16string portText;
    std::u16string description;
};

struct InstallPageInput {
    std::u16string modelText;
    std::u16string printerName;
    bool setAsDefault = false;
    bool networkChecked = false;
    std::array<std::uint8_t, 4> ipAddress{};
    std::u16string tcpPortText;
    std::optional<SelectedRow> row;
};

// The model text a "QuillonMX-362" printer on this port reports, or nothing when it cannot be
// asked (the model list's text stays).
using ModelVariantQuery = std::function<std::optional<std::u16string>(std::u16string_view portName)>;

enum class NextVerdict {
    proceed,         // to the result page
    askUnsupported,  // ask kMessageUnsupportedModel; OK goes on, Cancel stays
    stay,            // show messageId titled "Prompt" and stay on the page
};
struct NextOutcome {
    NextVerdict verdict;
    int messageId;  // with stay (and askUnsupported)
    bool setAsDefault;
};

// Fills request from what the page shows. The request keeps what row selection put into it
// (port kind, host address) unless this overrides it.
NextOutcome ValidateAndFillRequest(const InstallPageInput& input, PrinterInstallEntry& request,
                                   const ModelVariantQuery& queryVariant);

}  // namespace kelno
