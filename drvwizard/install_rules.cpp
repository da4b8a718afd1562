#include "drvwizard/install_rules.h"

#include "base/text.h"

namespace kelno {
namespace {

struct FilterButton {
    int controlId;
    std::uint16_t filter;
};
constexpr FilterButton kFilterButtons[] = {
    {kFilterUsbButton, 1}, {kFilterNetworkButton, 3}, {kFilterBluetoothButton, 5},
    {kFilterComButton, 2}, {kFilterOthersButton, 7},
};

constexpr std::size_t kRowPortChars = kRowTextChars - 1;  // the 250 characters a row's port keeps
constexpr std::u16string_view kBluetoothRowPrefix = u"BT Printer(";
constexpr std::u16string_view kModelVariantDescription = u"QuillonMX-362";

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Decimal digits only, at most maxValue; nothing for an empty text, a sign or any other character.
std::optional<std::uint32_t> ParseDecimal(std::u16string_view text, std::uint32_t maxValue) {
    if (text.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (char16_t c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - u'0');
        if (value > maxValue) return std::nullopt;
    }
    return value;
}

std::u16string DecimalText(std::uint32_t value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

}  // namespace

std::uint16_t PortFilterOfButton(int controlId) {
    for (const auto& button : kFilterButtons)
        if (button.controlId == controlId) return button.filter;
    return kNoPortFilter;
}

int ButtonOfPortFilter(std::uint16_t filter) {
    for (const auto& button : kFilterButtons)
        if (button.filter == filter) return button.controlId;
    return 0;
}

FilterChoice ChooseFilter(int checkedButton, bool deviceKnown, std::uint16_t currentFilter) {
    const std::uint16_t checked = PortFilterOfButton(checkedButton);
    if (checked != kNoPortFilter) return {checked, false};
    if (!deviceKnown) return {PortFilterOfButton(kFilterUsbButton), true};
    return {currentFilter, false};
}

std::u16string ModelEntryText(const ModelRow& row) {
    std::u16string text = ModelDisplayName(row);
    if (text.size() > kModelEntryChars - 1) text.resize(kModelEntryChars - 1);
    return text;
}

std::u16string ProposedPrinterName(const ModelRow& row) {
    if (row.defaultPrinterName && row.defaultPrinterName[0]) return row.defaultPrinterName;
    return ModelEntryText(row);
}

std::optional<std::u16string> ProposedPrinterNameForEntry(std::u16string_view entryText) {
    const ModelRow* row = FindModel(entryText);
    if (!row) return std::nullopt;
    if (row->defaultPrinterName && row->defaultPrinterName[0]) return std::u16string(row->defaultPrinterName);
    return std::u16string(entryText);
}

std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::u16string_view text) {
    std::array<std::uint8_t, 4> address{};
    for (std::size_t field = 0; field < address.size(); ++field) {
        const std::size_t dot = field + 1 < address.size() ? text.find(u'.') : text.size();
        if (dot == std::u16string_view::npos) return std::nullopt;
        const std::u16string_view part = text.substr(0, dot);
        // At most three digits: "0001" is no address a user writes.
        if (part.size() > 3) return std::nullopt;
        const auto value = ParseDecimal(part, 255);
        if (!value) return std::nullopt;
        address[field] = static_cast<std::uint8_t>(*value);
        text.remove_prefix(dot < text.size() ? dot + 1 : dot);
    }
    return address;
}

std::u16string FormatIpv4(const std::array<std::uint8_t, 4>& address) {
    std::u16string text;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i) text += u'.';
        text += DecimalText(address[i]);
    }
    return text;
}

std::optional<std::u16string> BluetoothRowPort(std::u16string_view rowText) {
    if (!rowText.starts_with(kBluetoothRowPrefix)) return std::nullopt;
    rowText.remove_prefix(kBluetoothRowPrefix.size());
    const std::u16string_view port = rowText.substr(0, rowText.find(u')'));
    if (port.empty() || port.size() > kBluetoothPortChars) return std::nullopt;
    return std::u16string(port);
}

std::u16string ModelLookupText(std::u16string_view description, std::uint16_t filter) {
    if (filter == 5) {
        const std::size_t dash = description.rfind(u'-');
        if (dash != std::u16string_view::npos) description = description.substr(0, dash);
    }
    return std::u16string(description);
}

void FillRequestFromRow(PrinterInstallEntry& request, std::u16string_view portText, std::uint16_t filter) {
    SetField(request.portName, portText.substr(0, kRowPortChars));
    request.portKind = filter;
    if (filter == kNoPortFilter && ParseIpv4(portText)) {
        request.portKind = kPortKindStandardTcpIp;
        SetField(request.hostAddress, portText);
        request.tcpPortNumber = kDefaultRawTcpPort;
    }
}

void FillNetworkFallback(PrinterInstallEntry& request, std::u16string_view portText) {
    SetField(request.hostAddress, portText);
    request.tcpPortNumber = kDefaultRawTcpPort;
}

PrinterNameProblem CheckPrinterName(std::u16string_view name) {
    if (name.empty()) return PrinterNameProblem::empty;
    // The spooler refuses these in a queue name; a name that does not fit the request would be
    // installed under another name.
    if (name.find_first_of(u"\\,") != std::u16string_view::npos) return PrinterNameProblem::invalidCharacter;
    if (name.size() >= std::size(PrinterInstallEntry{}.printerName)) return PrinterNameProblem::invalidCharacter;
    return PrinterNameProblem::none;
}

std::optional<std::int32_t> ParseTcpPort(std::u16string_view text) {
    const auto value = ParseDecimal(text, 65535);
    if (!value || *value == 0) return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

NextOutcome ValidateAndFillRequest(const InstallPageInput& input, PrinterInstallEntry& request,
                                   const ModelVariantQuery& queryVariant) {
    const auto stay = [&](int messageId) { return NextOutcome{NextVerdict::stay, messageId, input.setAsDefault}; };

    SetField(request.modelName, std::u16string_view(input.modelText).substr(0, kRowPortChars));

    if (input.networkChecked) {
        if (input.ipAddress == std::array<std::uint8_t, 4>{}) return stay(kMessageInputIpAddress);
        const auto tcpPort = ParseTcpPort(input.tcpPortText);
        if (!tcpPort) return stay(kMessageTcpPortInvalid);
        SetField(request.hostAddress, FormatIpv4(input.ipAddress));
        request.tcpPortNumber = *tcpPort;
        request.portKind = kPortKindStandardTcpIp;
    } else if (!input.row) {
        return stay(kMessageChoosePort);
    }

    switch (CheckPrinterName(input.printerName)) {
        case PrinterNameProblem::empty: return stay(kMessagePrinterNameEmpty);
        case PrinterNameProblem::invalidCharacter: return stay(kMessagePrinterNameInvalid);
        case PrinterNameProblem::none: break;
    }
    SetField(request.printerName, input.printerName);

    if (!input.row) {
        std::u16string portName(FieldText(request.hostAddress));
        portName += u'_';
        portName += DecimalText(static_cast<std::uint32_t>(request.tcpPortNumber));
        SetField(request.portName, portName);
    } else {
        const SelectedRow& row = *input.row;
        const std::u16string_view portText = std::u16string_view(row.portText).substr(0, kRowPortChars);
        if (const auto bluetoothPort = BluetoothRowPort(portText)) SetField(request.portName, *bluetoothPort);
        else SetField(request.portName, portText);
        if (row.description == kModelVariantDescription && queryVariant) {
            if (const auto variant = queryVariant(FieldText(request.portName)))
                SetField(request.modelName, std::u16string_view(*variant).substr(0, kRowPortChars));
        }
    }

    if (const ModelRow* model = FindModel(FieldText(request.modelName))) {
        request.modelFlags = model->flags;
        return {NextVerdict::proceed, 0, input.setAsDefault};
    }
    request.modelFlags = 0;
    return {NextVerdict::askUnsupported, kMessageUnsupportedModel, input.setAsDefault};
}

}  // namespace kelno
