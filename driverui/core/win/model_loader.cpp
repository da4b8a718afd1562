#include "driverui/core/win/model_loader.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "driverui/core/datafile_header.h"
#include "driverui/core/win/module.h"
#include "driverui/core/win/printer_info.h"

namespace kelno {

namespace {

// One applied database load. The record before the load is determined entirely by the
// data-file header it was built from, so the key holds the record's bytes and extra size.
struct ModelCacheEntry {
    ModelRecord before;
    std::size_t extraSize;
    std::u16string driverName;
    LANGID language;
    std::shared_ptr<const PrinterModel> model;
    std::u16string debugLine;
};

class ModelCache {
public:
    std::shared_ptr<const PrinterModel> Find(const PrinterModel& before, std::u16string_view driver, LANGID language,
                                             std::u16string* debugLine) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (Matches(*it, before, driver, language)) {
                entries_.splice(entries_.begin(), entries_, it);  // most recently used first
                *debugLine = entries_.front().debugLine;
                return entries_.front().model;
            }
        }
        return nullptr;
    }

    void Add(const PrinterModel& before, std::u16string_view driver, LANGID language,
             std::shared_ptr<const PrinterModel> model, std::u16string debugLine) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const ModelCacheEntry& entry : entries_)
            if (Matches(entry, before, driver, language)) return;  // another thread was first
        entries_.push_front(ModelCacheEntry{before.record, before.extra.size(), std::u16string(driver), language,
                                            std::move(model), std::move(debugLine)});
        if (entries_.size() > kCapacity) entries_.pop_back();
    }

private:
    static constexpr std::size_t kCapacity = 16;

    static bool Matches(const ModelCacheEntry& entry, const PrinterModel& before, std::u16string_view driver,
                        LANGID language) {
        return entry.language == language && entry.extraSize == before.extra.size() && entry.driverName == driver &&
               std::memcmp(&entry.before, &before.record, sizeof entry.before) == 0;
    }

    std::mutex mutex_;
    std::list<ModelCacheEntry> entries_;
};

ModelCache& Cache() {
    static ModelCache cache;
    return cache;
}

// The first bytes of the data file, at most a header's worth.
std::optional<std::vector<std::uint8_t>> ReadDataFileHeader(const wchar_t* path) {
    if (!path || !*path) return std::nullopt;
    const ScopedFile file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes(sizeof(DataFileHeader));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return std::nullopt;
    bytes.resize(read);
    return bytes;
}

}  // namespace

PrinterModel ApplyModelDatabase(const PrinterModel& fromDataFile, std::u16string_view driverName) {
    // Zero-filled record bytes make the comparison of whole records meaningful.
    const LANGID language = GetThreadUILanguage();
    std::u16string debugLine;
    if (std::shared_ptr<const PrinterModel> cached = Cache().Find(fromDataFile, driverName, language, &debugLine)) {
        if (!debugLine.empty()) DebugLine(debugLine);
        return *cached;
    }
    auto applied = std::make_shared<PrinterModel>(fromDataFile);
    const JsonLoadResult result = applied->LoadJson(ModelDatabaseDocument(), driverName, ResourceStrings());
    if (!result.debugLine.empty()) DebugLine(result.debugLine);
    PrinterModel copy = *applied;
    Cache().Add(fromDataFile, driverName, language, std::move(applied), result.debugLine);
    return copy;
}

std::optional<LoadedModel> LoadPrinterModel(HANDLE printer, bool withPrinterName) {
    std::optional<std::vector<std::uint8_t>> driverInfo = QueryPrinterDriver(printer, 2);
    if (!driverInfo) return std::nullopt;
    const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(driverInfo->data());

    LoadedModel loaded;
    if (info->pName) loaded.driverName = info->pName;
    if (withPrinterName) {
        if (std::optional<std::vector<std::uint8_t>> level1 = QueryPrinter(printer, 1)) {
            const auto* printerInfo = reinterpret_cast<const PRINTER_INFO_1W*>(level1->data());
            if (printerInfo->pName) loaded.printerName = std::wstring(printerInfo->pName).substr(0, 31);
        }
    }

    const std::optional<std::vector<std::uint8_t>> header = ReadDataFileHeader(info->pDataFile);
    if (!header) return std::nullopt;
    std::optional<PrinterModel> model = PrinterModel::FromDataFile(*header);
    if (!model) return std::nullopt;
    loaded.model = ApplyModelDatabase(*model, U16View(loaded.driverName.c_str()));
    return loaded;
}

}  // namespace kelno
