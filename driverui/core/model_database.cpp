// PrinterModel::LoadJson and the paper-list builder: the model database applied to a record.
#include "driverui/core/model_database.h"

// RapidJSON 1.1.0 offsets its parse stacks while they are still null (before the first
// allocation), which UBSan's pointer-overflow check reports from inside the library. The
// arithmetic is never used to access memory; exempt the library's functions from that one
// check, and only them.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("pointer-overflow"))), apply_to = function)
#endif
#include <rapidjson/document.h>
#if defined(__clang__)
#pragma clang attribute pop
#endif

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "base/wide_printf.h"
#include "driverui/core/narrow_text.h"
#include "driverui/core/printer_model.h"

namespace kelno {

namespace {

using Json = rapidjson::Value;

constexpr std::size_t kDriverNameUnits = 50;  // the driver name must end within these
constexpr std::size_t kNarrowNameBytes = 50;  // narrow buffer of the converted name
constexpr std::size_t kDefaultPaperBytes = 49;
constexpr std::size_t kPaperNameBytes = 32;  // a database name this long is dropped
constexpr std::int32_t kUserHeightReduction = 100;

// Member lookup without iterator comparisons (RapidJSON's iterators trip C++20's reversed
// operator rules). Null unless obj is an object holding key.
const Json* Member(const Json* obj, const char* key) {
    if (!obj || !obj->IsObject()) return nullptr;
    const std::size_t keyLength = std::strlen(key);
    for (rapidjson::SizeType i = 0; i < obj->MemberCount(); ++i) {
        const auto& member = *(obj->MemberBegin() + i);
        if (member.name.GetStringLength() == keyLength && std::memcmp(member.name.GetString(), key, keyLength) == 0)
            return &member.value;
    }
    return nullptr;
}

bool IsNumber(const Json* v) { return v && v->IsNumber(); }

bool StringEquals(const Json* v, std::string_view text) {
    return v && v->IsString() && std::string_view(v->GetString(), v->GetStringLength()) == text;
}

// A number as a whole value: integers as they are, fractions truncated, everything saturated.
// Anything that is not a number reads as 0, like a missing required key.
std::int64_t WholeValue(const Json* v) {
    if (!IsNumber(v)) return 0;
    if (v->IsInt64()) return v->GetInt64();
    if (v->IsUint64()) return std::numeric_limits<std::int64_t>::max();
    const double d = std::trunc(v->GetDouble());
    if (!(d > -9.2e18)) return std::numeric_limits<std::int64_t>::min();
    if (!(d < 9.2e18)) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(d);
}

double RealValue(const Json* v) { return IsNumber(v) ? v->GetDouble() : 0.0; }

template <typename T>
T Saturate(std::int64_t value) {
    static_assert(std::is_integral_v<T>);
    return static_cast<T>(
        std::clamp<std::int64_t>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

template <typename T>
T Micrometres(std::int64_t millimetres) {
    const std::int64_t bounded = std::clamp<std::int64_t>(millimetres, -(std::int64_t{1} << 40), std::int64_t{1} << 40);
    return Saturate<T>(bounded * 1000);
}

// The first and last elements of an "Option" array, and the OR of all of them.
const Json* OptionArray(const Json* obj) {
    const Json* option = Member(obj, "Option");
    return option && option->IsArray() && !option->Empty() ? option : nullptr;
}
std::int64_t FirstOption(const Json* option) { return WholeValue(&(*option)[0]); }
std::int64_t LastOption(const Json* option) { return WholeValue(&(*option)[option->Size() - 1]); }
std::int64_t OptionMask(const Json* option) {
    std::int64_t mask = 0;
    if (option)
        for (rapidjson::SizeType i = 0; i < option->Size(); ++i) mask |= WholeValue(&(*option)[i]);
    return mask;
}

// Sets field from an optional key: unchanged when the key is absent (or not a number).
template <typename T>
void SetIfPresent(T& field, const Json* model, const char* key) {
    if (const Json* v = Member(model, key); IsNumber(v)) field = Saturate<T>(WholeValue(v));
}

// Sets field from an optional key that has a default.
template <typename T>
void SetOrDefault(T& field, const Json* model, const char* key, T fallback) {
    const Json* v = Member(model, key);
    field = IsNumber(v) ? Saturate<T>(WholeValue(v)) : fallback;
}

void ApplySpeed(ModelFields& m, const Json* speed) {
    const Json* option = OptionArray(speed);
    if (!option) {
        m.defaultSpeed = m.minSpeed = m.maxSpeed = m.speedStep = 0;
        return;
    }
    m.defaultSpeed = Saturate<std::uint16_t>(WholeValue(Member(speed, "Value")));
    m.maxSpeed = Saturate<std::uint16_t>(LastOption(option));
    m.minSpeed = Saturate<std::uint16_t>(FirstOption(option));
    m.speedStep = Saturate<std::uint16_t>(WholeValue(Member(speed, "Step")));
    SetIfPresent(m.hideSpeed, speed, "HideSpeed");
    // Without "SendThis" nothing is sent for the speed: the printer keeps its own setting.
    if (!Member(speed, "SendThis")) m.defaultSpeed = 0;
}

void ApplyConfig2(ModelFields& m, const Json* config) {
    if (!config || !config->IsObject()) return;
    if (const Json* density = Member(config, "Density"); density && density->IsObject()) {
        m.darkness2Default = Saturate<std::uint16_t>(WholeValue(Member(density, "Value")));
        if (const Json* option = OptionArray(density)) m.darkness2Max = Saturate<std::uint16_t>(LastOption(option));
    }
    if (const Json* speed = Member(config, "Speed"); speed && speed->IsObject()) {
        m.speed2Default = Saturate<std::uint16_t>(WholeValue(Member(speed, "Value")));
        if (const Json* option = OptionArray(speed)) {
            m.speed2Max = Saturate<std::uint16_t>(LastOption(option));
            m.speed2Min = Saturate<std::uint16_t>(FirstOption(option));
        }
        m.speed2Step = Saturate<std::uint16_t>(WholeValue(Member(speed, "Step")));
    }
}

// The model object's values, in the order of the database's documentation.
void ApplyModel(ModelRecord& r, const Json* model) {
    ModelFields& m = r.model;

    const auto dpi = WholeValue(Member(model, "DPI"));
    r.xResolution = r.yResolution = r.pelResolution = Saturate<std::uint32_t>(dpi);
    r.xRasterResolution = r.yRasterResolution = Saturate<std::uint16_t>(dpi);
    if (const Json* x = Member(model, "xDPI"); IsNumber(x)) {
        r.xResolution = r.pelResolution = Saturate<std::uint32_t>(WholeValue(x));
        r.xRasterResolution = Saturate<std::uint16_t>(WholeValue(x));
    }
    if (const Json* y = Member(model, "yDPI"); IsNumber(y)) {
        r.yResolution = Saturate<std::uint32_t>(WholeValue(y));
        r.yRasterResolution = Saturate<std::uint16_t>(WholeValue(y));
    }

    const Json* speed = Member(model, "Speed");
    ApplySpeed(m, speed && speed->IsObject() ? speed : nullptr);

    const Json* density = Member(model, "Density");
    m.defaultDarkness = Saturate<std::uint16_t>(WholeValue(Member(density, "Value")));
    if (const Json* option = OptionArray(density)) m.maxDarkness = Saturate<std::uint16_t>(LastOption(option));
    if (!Member(density, "SendThis")) m.defaultDarkness = 0;

    const Json* memory = Member(model, "Memory Size");
    m.ramSize = Saturate<std::uint16_t>(WholeValue(Member(memory, "SDRAM")));
    m.flashSize = Saturate<std::uint16_t>(WholeValue(Member(memory, "FLASH")));

    const Json* accessories = Member(model, "Accesories");
    m.accessories = static_cast<std::uint16_t>((WholeValue(Member(accessories, "Cutter")) != 0 ? 1 : 0) |
                                               (WholeValue(Member(accessories, "Peeler")) != 0 ? 2 : 0));

    const Json* rfid = Member(model, "RFID");
    m.rfid = rfid && rfid->IsTrue() ? 1 : 0;

    const Json* alignment = Member(model, "Paper Alignment");
    m.paperAlignment = Saturate<std::uint16_t>(WholeValue(Member(alignment, "Value")));
    m.outputDirection = Saturate<std::uint16_t>(WholeValue(Member(alignment, "OutDirection")));

    // The printable width is whole millimetres; the label width keeps its fraction.
    r.maxPrintableWidth = Micrometres<std::int32_t>(WholeValue(Member(model, "Maximum Print Width")));
    r.maxPrintLength = Micrometres<std::uint32_t>(WholeValue(Member(model, "Maximum Print Length")));
    const double minWidth = std::clamp(RealValue(Member(model, "Minimum Label Width")) * 1000.0, 0.0, 4294967295.0);
    m.minLabelWidth = static_cast<std::uint32_t>(minWidth);
    m.minLabelLength = Micrometres<std::uint32_t>(WholeValue(Member(model, "Minimum Label Length")));

    if (WholeValue(Member(Member(model, "Printing Mode"), "Value")) == 1) r.modelFlags |= kModelFlagThermalTransfer;
    else r.modelFlags &= ~kModelFlagThermalTransfer;

    m.sensorType1 = m.sensorType2 = Saturate<std::uint16_t>(WholeValue(Member(Member(model, "Sensor Type"), "Value")));
    m.gap = Micrometres<std::uint16_t>(WholeValue(Member(model, "Gap High")));
    m.gapOffset = Micrometres<std::uint16_t>(WholeValue(Member(model, "Gap High Offset")));

    const Json* languages = Member(model, "Printer Languages");
    m.defaultLanguage = Saturate<std::uint16_t>(WholeValue(Member(languages, "Value")));
    m.languageMask = Saturate<std::uint16_t>(OptionMask(OptionArray(languages)));

    SetIfPresent(m.sendLanguageSwitch, model, "SendLanguageSwitch");
    ApplyConfig2(m, Member(model, "Config2"));

    if (const Json* extra = Member(model, "ExtraSettings"); extra && extra->IsObject()) {
        m.shiftH = Micrometres<std::int32_t>(WholeValue(Member(extra, "ShiftH")));
        m.shiftV = Micrometres<std::int32_t>(WholeValue(Member(extra, "ShiftV")));
    }

    SetOrDefault<std::uint32_t>(m.ditherFamily, model, "DitherFamily", 0);
    SetOrDefault<std::uint32_t>(m.ditherLevel, model, "DitherLevel", 8);
    SetOrDefault<std::uint32_t>(m.postAction, model, "PostAction", 1);
    if (const Json* v = Member(model, "AntiWrinkle"); IsNumber(v)) {
        m.antiWrinkleFlag = 1;
        m.antiWrinkleValue = Saturate<std::uint32_t>(WholeValue(v));
    }
    SetIfPresent(m.mirrorFlag, model, "IsMirrorOn");
    m.paperSaving = Saturate<std::uint16_t>(WholeValue(Member(Member(model, "PaperSaving"), "Value")));
    if (const Json* v = Member(Member(model, "SendPaperSize"), "Value"); IsNumber(v))
        m.sendPaperSize = Saturate<std::uint8_t>(WholeValue(v));
    if (const Json* v = Member(Member(model, "SendPaperType"), "Value"); IsNumber(v))
        m.sendPaperType = Saturate<std::uint8_t>(WholeValue(v));
    SetIfPresent(m.printerType, model, "PrinterType");
    SetOrDefault<std::uint16_t>(m.printingScale, model, "PrintingScale", 0);
    m.printWidth = Micrometres<std::uint32_t>(WholeValue(Member(model, "PrintWidth")));
    SetIfPresent(m.printDirection, model, "PrintDirection");
    SetIfPresent(m.inputResolution, model, "InputDPI");
    SetIfPresent(m.dashedLine, model, "EnableDashedLine");
    if (const Json* v = Member(model, "Enable2Colors"); IsNumber(v)) {
        m.twoColorCapable = 1;
        m.twoColorValue = Saturate<std::uint16_t>(WholeValue(v));
    }
    SetIfPresent(m.enhanceMode, model, "EnableEnhanceMode");
    SetIfPresent(m.specialColor, model, "SpecialColor");
    SetIfPresent(m.barcodeOptimisation, model, "OptimazeBarcode");

    std::string_view paper;
    if (const Json* v = Member(model, "Default Paper"); v && v->IsString())
        paper = std::string_view(v->GetString(), std::min<std::size_t>(v->GetStringLength(), kDefaultPaperBytes));
    paper = paper.substr(0, std::min(paper.find('\0'), paper.size()));
    StoreFixedText(m.defaultPaperName, paper.empty() ? std::string_view("USER") : paper);

    SetIfPresent(m.postFeed, model, "PostFeedPaper");
    if (const Json* zip = Member(model, "TSPLZIPMODE"); zip && zip->IsObject()) {
        m.compressionMode = Saturate<std::uint32_t>(WholeValue(Member(zip, "Value")));
        m.compressionMask = Saturate<std::uint32_t>(OptionMask(OptionArray(zip)));
    }
    SetIfPresent(m.feedPaperWhenPrinting, model, "DefaultFeedPaperWhenPrint");
    SetIfPresent(m.feedDistanceAfterPrinting, model, "DefaultFeedDistanceAfterPrint");
    if (const Json* v = Member(model, "DontShowPaperSizeInTheName")) m.hideSizeInPaperName = v->IsTrue() ? 1 : 0;
}

std::int32_t AddMargin(std::int32_t value, std::uint32_t deviceMargin) {
    return Saturate<std::int32_t>(std::int64_t{value} + static_cast<std::int32_t>(deviceMargin));
}

// Rebuilds the paper list from a JSON array of paper objects. An empty (or absent) array
// leaves the list as it was.
void BuildPaperList(PrinterModel& model, const Json* papers, const StringLookup& strings) {
    if (!papers || !papers->IsArray() || papers->Empty()) return;
    const ModelRecord& r = model.record;
    const bool thermalTransfer = (r.modelFlags & kModelFlagThermalTransfer) != 0;

    std::vector<PaperRecord> list(1, PaperRecord{});
    for (rapidjson::SizeType i = 0; i < papers->Size(); ++i) {
        const Json* paper = &(*papers)[i];
        if (!paper->IsObject()) continue;
        const std::int32_t width = PaperMicrometres(RealValue(Member(paper, "Width")));
        if (width > r.maxPrintableWidth) continue;
        const std::int64_t type = WholeValue(Member(paper, "Type"));
        if (r.model.antiWrinkleFlag && type != 0) continue;

        PaperRecord entry{};
        entry.id = static_cast<std::uint32_t>(kUserPaperId + list.size());
        if (const Json* id = Member(paper, "RC_ID"); IsNumber(id)) {
            StoreFixedText(entry.name,
                           std::u16string_view(LookUpString(strings, Saturate<std::uint32_t>(WholeValue(id)))));
        } else if (const Json* name = Member(paper, "Paper Name");
                   name && name->IsString() && name->GetStringLength() < kPaperNameBytes) {
            const std::string_view narrow(name->GetString(), name->GetStringLength());
            StoreFixedText(entry.name, std::u16string_view(Utf8ToU16(narrow.substr(0, narrow.find('\0')))));
        }
        entry.width = width;
        entry.height = PaperMicrometres(RealValue(Member(paper, "Height")));
        const Json* margin = Member(paper, "Margin");
        entry.marginLeft = AddMargin(PaperMicrometres(RealValue(Member(margin, "Left"))), r.marginLeft);
        entry.marginTop = AddMargin(PaperMicrometres(RealValue(Member(margin, "Top"))), r.marginTop);
        entry.marginRight = AddMargin(PaperMicrometres(RealValue(Member(margin, "Right"))), r.marginRight);
        entry.marginBottom = AddMargin(PaperMicrometres(RealValue(Member(margin, "Bottom"))), r.marginBottom);
        entry.flags = (static_cast<std::uint32_t>(type) & ~0x30u) |
                      (thermalTransfer ? kPaperThermalTransfer : kPaperDirectThermal) | kBuiltInPaperFlag;
        entry.gap = PaperMicrometres(RealValue(Member(paper, "Gap")));
        entry.gapOffset = PaperMicrometres(RealValue(Member(paper, "GapOffset")));
        list.push_back(entry);
    }

    // Entry 0 is "USER": the first paper a little shorter, so that it never equals it.
    if (list.size() > 1) list[0] = list[1];
    list[0].height = list.size() > 1 ? Saturate<std::int32_t>(std::int64_t{list[1].height} - kUserHeightReduction) : 0;
    list[0].id = kUserPaperId;
    StoreFixedText(list[0].name, std::u16string_view(u"USER"));
    model.SetPapers(std::move(list));
}

// "<vendor> <model>" as narrow text, or nothing when the name does not end within 50 units
// or does not fit the narrow buffer.
std::string NarrowDriverName(std::u16string_view driverName) {
    driverName = driverName.substr(0, std::min(driverName.find(u'\0'), driverName.size()));
    if (driverName.size() >= kDriverNameUnits) return {};
    std::string narrow = U16ToUtf8(driverName);
    if (narrow.size() >= kNarrowNameBytes) return {};
    return narrow;
}

std::u16string ParseErrorLine(int code) {
    char16_t line[128];
    if (FormatWideArgs(line, std::size(line), u"PrinterModel::LoadJson: Json reader parsing error:%d\r\n", code) < 0)
        return u"PrinterModel::LoadJson: Json reader parsing error\r\n";
    return line;
}

}  // namespace

std::int32_t PaperMicrometres(double millimetres) {
    // Bounded before narrowing to float: a double beyond float's range has no float value.
    const float mm =
        static_cast<float>(std::clamp(millimetres, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
    const float um = mm * 1000.0f;
    if (std::isnan(um)) return 0;
    if (um >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    if (um <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(um);
}

JsonLoadResult PrinterModel::LoadJson(std::span<const std::uint8_t> document, std::u16string_view driverName,
                                      const StringLookup& strings) {
    const std::string name = NarrowDriverName(driverName);
    const std::size_t blank = name.find(' ');
    if (blank == std::string::npos)
        return {JsonLoadStatus::NameNotSplit, u"Unable to split Vender name and Model name from the DeviceName."};
    const std::string_view vendorName = std::string_view(name).substr(0, blank);
    const std::string_view modelName = std::string_view(name).substr(blank + 1);

    if (document.empty()) return {JsonLoadStatus::NoDocument, {}};

    // Iterative parsing: nesting depth cannot exhaust the caller's stack.
    rapidjson::Document json;
    json.Parse<rapidjson::kParseIterativeFlag>(reinterpret_cast<const char*>(document.data()), document.size());
    if (json.HasParseError())
        return {JsonLoadStatus::ParseError, ParseErrorLine(static_cast<int>(json.GetParseError()))};

    const Json* vendor = nullptr;
    if (const Json* vendors = Member(&json, "Venders"); vendors && vendors->IsArray()) {
        for (rapidjson::SizeType i = 0; i < vendors->Size(); ++i)
            if (StringEquals(Member(&(*vendors)[i], "Vender Name"), vendorName)) vendor = &(*vendors)[i];
    }
    const Json* model = nullptr;
    if (const Json* models = Member(vendor, "Models"); models && models->IsArray()) {
        for (rapidjson::SizeType i = 0; i < models->Size(); ++i) {
            const Json* candidate = &(*models)[i];
            if (StringEquals(Member(candidate, "Model Name"), modelName))
                model = candidate->IsObject() ? candidate : nullptr;
        }
    }

    if (model) ApplyModel(record, model);

    const Json* papers = Member(model, "Papers");
    if (!papers || !papers->IsArray()) papers = Member(vendor, "Papers");
    BuildPaperList(*this, papers, strings);

    record.maxCopies = kMaxCopiesAfterLoad;
    record.model.fixedValues[0] = 50;
    record.model.fixedValues[1] = 50;
    record.model.fixedValues[2] = 100;
    record.model.fixedValues[3] = 128;
    return {model ? JsonLoadStatus::ModelApplied : JsonLoadStatus::ModelNotFound, {}};
}

}  // namespace kelno
