#include "driverui/core/win/printer_data.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>

#include "base/win/wide_text.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/module.h"
#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

// Values up to this size are read in one spooler call; larger ones are read again with the
// size the spooler reports.
constexpr DWORD kFirstValueSize = 4096;

bool WriteBinary(HANDLE printer, const wchar_t* name, std::span<const std::uint8_t> bytes) {
    return SetPrinterDataW(printer, const_cast<wchar_t*>(name), REG_BINARY, const_cast<BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

}  // namespace

std::optional<PrinterValue> ReadPrinterValue(HANDLE printer, const wchar_t* name) {
    if (!printer) return std::nullopt;
    PrinterValue value;
    value.bytes.assign(kFirstValueSize, 0);
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD needed = 0;
        const DWORD status = GetPrinterDataW(printer, const_cast<wchar_t*>(name), &value.type, value.bytes.data(),
                                             static_cast<DWORD>(value.bytes.size()), &needed);
        if (status == ERROR_SUCCESS) {
            value.bytes.resize(std::min<std::size_t>(needed, value.bytes.size()));
            return value;
        }
        if (status != ERROR_MORE_DATA || needed <= value.bytes.size()) return std::nullopt;
        value.bytes.assign(needed, 0);
    }
    return std::nullopt;
}

bool ReadKeyedValue(HANDLE printer, std::span<std::uint8_t> buffer, DWORD key) {
    if (!printer) return false;
    const KeyedValue keyed = KeyedValueFor(key);
    if (keyed.size == 0 || buffer.size() < keyed.size) return false;
    const std::wstring name = WideString(keyed.name);
    // One byte more than the key's size: a value that fills it is too long. The outcome is that
    // of a size query (ERROR_MORE_DATA with exactly the key's size and REG_BINARY) followed by
    // the read, in one spooler call.
    std::vector<std::uint8_t> value(keyed.size + 1);
    DWORD type = 0, needed = 0;
    const DWORD status = GetPrinterDataW(printer, const_cast<wchar_t*>(name.c_str()), &type, value.data(),
                                         static_cast<DWORD>(value.size()), &needed);
    const DWORD sizeQueryStatus = status == ERROR_SUCCESS ? kErrorMoreData : status;
    if (status != ERROR_SUCCESS || !KeyedValueReadable(key, sizeQueryStatus, needed, type)) return false;
    std::copy_n(value.begin(), keyed.size, buffer.begin());
    return true;
}

bool WriteKeyedValue(HANDLE printer, std::span<const std::uint8_t> buffer, DWORD key) {
    if (!printer) return false;
    const KeyedValue keyed = KeyedValueFor(key);
    if (buffer.size() < keyed.size) return false;
    const std::wstring name = WideString(keyed.name);
    return WriteBinary(printer, name.c_str(), buffer.first(keyed.size));
}

std::optional<CurrentFormRecord> ReadInstalledForm(HANDLE printer) {
    std::uint8_t bytes[sizeof(CurrentFormRecord)];
    if (!ReadKeyedValue(printer, bytes, kKeyInstalledForm)) return std::nullopt;
    return ParseInstalledForm(kRegBinary, bytes);
}

bool WriteInstalledForm(HANDLE printer, const CurrentFormRecord& form) {
    return WriteKeyedValue(printer, SerializeInstalledForm(form), kKeyInstalledForm);
}

std::optional<std::vector<std::uint8_t>> ReadFormBytes(HANDLE printer) {
    std::optional<PrinterValue> value = ReadPrinterValue(printer, WidePtr(kFormsValueName));
    if (!value) return std::nullopt;
    return std::move(value->bytes);
}

std::optional<std::vector<PaperRecord>> ReadFormList(HANDLE printer) {
    std::optional<std::vector<std::uint8_t>> bytes = ReadFormBytes(printer);
    if (!bytes) return std::nullopt;
    return ParseFormList(*bytes);
}

std::optional<std::size_t> ReadFormList(HANDLE printer,
                                        const std::function<void(const PaperRecord*, std::size_t)>& visit,
                                        std::size_t limit) {
    std::optional<std::vector<PaperRecord>> list = ReadFormList(printer);
    if (!list) return std::nullopt;
    return WalkFormList(*list, limit, visit);
}

bool SaveForms(DriverContext& context, HANDLE printer) {
    const std::vector<PaperRecord> papers = FormsToSave(context.state.model);
    if (papers.empty()) return true;
    if (!WriteBinary(printer, WidePtr(kFormsValueName), SerializeFormList(papers))) {
        context.state.permission &= ~kPermissionChange;
        return false;
    }
    context.state.permission |= kPermissionChange;
    return true;
}

DWORD DeleteFormByName(DriverContext& context, std::u16string_view name) {
    std::optional<std::vector<std::uint8_t>> stored = ReadFormBytes(context.printer);
    std::optional<std::span<const std::uint8_t>> view;
    if (stored) view = std::span<const std::uint8_t>(*stored);
    const std::optional<std::vector<std::uint8_t>> rewritten = FormsAfterDelete(view, name);
    if (!rewritten) return ERROR_INVALID_DATA;

    const std::wstring device(WidePtr(context.state.devmode.pub.dmDeviceName),
                              FixedText(context.state.devmode.pub.dmDeviceName).size());
    ScopedPrinter printer = OpenPrinterByName(device.c_str(), true);
    if (!printer) return GetLastError() ? GetLastError() : ERROR_INVALID_PRINTER_NAME;
    const DWORD status = SetPrinterDataW(printer.get(), const_cast<wchar_t*>(WidePtr(kFormsValueName)), REG_BINARY,
                                         const_cast<BYTE*>(rewritten->data()), static_cast<DWORD>(rewritten->size()));
    if (status == ERROR_SUCCESS) context.state.permission &= ~kPermissionChange;
    return status;
}

void ReadUiSettings(HANDLE printer, DriverContext& context) {
    if (std::optional<PrinterValue> flags = ReadPrinterValue(printer, WidePtr(kPrinterDataFlagsValueName)))
        if (std::optional<std::uint32_t> value = ParseDwordValue(flags->type, flags->bytes))
            context.state.printerDataFlags = *value;
    context.state.measureUnit = 0;
    if (std::optional<PrinterValue> unit = ReadPrinterValue(printer, WidePtr(kMeasureUnitValueName)))
        if (std::optional<std::uint32_t> value = ParseDwordValue(unit->type, unit->bytes))
            context.state.measureUnit = *value;
    if (std::optional<PrinterValue> folder = ReadPrinterValue(printer, WidePtr(kLogFolderValueName)))
        ParseLogFolder(folder->type, folder->bytes, context.state.logFolder);
}

}  // namespace kelno
