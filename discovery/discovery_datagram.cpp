#include "discovery/discovery_datagram.h"

#include <cstring>

#include "common/model_table.h"

namespace kelno {
namespace {

constexpr std::u16string_view kBrand = u"Tavolen";

}  // namespace

std::string_view DiscoveryAnswer::Model() const {
    std::size_t n = 0;
    while (n < kAnswerModelMaxChars && model[n] != '\0') ++n;
    return std::string_view(model, n);
}

bool ParseDiscoveryAnswer(const std::uint8_t* data, std::size_t size, DiscoveryAnswer& answer) {
    if (!data || size != kDiscoveryAnswerSize) return false;
    DiscoveryAnswer parsed{};
    std::memcpy(parsed.address, data + kAnswerAddressOffset, sizeof(parsed.address));
    const std::uint8_t* model = data + kAnswerModelOffset;
    std::size_t n = 0;
    while (n < kAnswerModelMaxChars && model[n] != 0) {
        parsed.model[n] = static_cast<char>(model[n]);
        ++n;
    }
    parsed.model[n] = '\0';
    answer = parsed;
    return true;
}

std::u16string Ipv4Text(const std::uint8_t (&address)[4]) {
    std::u16string text;
    for (int i = 0; i < 4; ++i) {
        if (i) text += u'.';
        const unsigned octet = address[i];
        if (octet >= 100) text += static_cast<char16_t>(u'0' + octet / 100);
        if (octet >= 10) text += static_cast<char16_t>(u'0' + octet / 10 % 10);
        text += static_cast<char16_t>(u'0' + octet % 10);
    }
    return text;
}

std::u16string NetworkPrinterDescription(std::u16string_view modelName) {
    if (modelName.substr(0, kBrand.size()) == kBrand) return std::u16string(modelName);
    std::u16string description(kBrand);
    description += u' ';
    description += modelName;
    return description;
}

DiscoveryAnswerResult AddDiscoveryAnswer(PortList& networkPrinters, PortList* spoolerPorts,
                                         const DiscoveryAnswer& answer, FromAnsiFn fromAnsi) {
    std::u16string modelName = (fromAnsi ? fromAnsi : U16FromAsciiAnsi)(answer.Model());
    if (modelName.size() > kAnswerModelMaxChars) modelName.resize(kAnswerModelMaxChars);
    const std::u16string description = NetworkPrinterDescription(modelName);
    if (!FindModel(std::u16string_view(description))) return DiscoveryAnswerResult::unsupported;

    const std::u16string portName = Ipv4Text(answer.address);
    if (spoolerPorts) RemoveByPortName(*spoolerPorts, portName);
    if (FindByPortNameAndDescription(networkPrinters, portName, description)) return DiscoveryAnswerResult::duplicate;

    PortRecordPtr record = MakePortRecord();
    if (!record) return DiscoveryAnswerResult::no_memory;
    SetField(record->portName, portName);
    SetField(record->description, description);
    record->portType = kPortTypeNetwork;
    PushFront(networkPrinters, std::move(record));
    return DiscoveryAnswerResult::added;
}

bool IsDiscoveryAdapterType(std::uint32_t adapterType) {
    switch (adapterType) {
        case 1:
        case 6:
        case 9:
        case 15:
        case 23:
        case 24:
        case 28:
        case 71: return true;
        default: return false;
    }
}

bool IsUsableLocalAddress(std::string_view addressText) { return !addressText.empty() && addressText != "0.0.0.0"; }

std::uint32_t DiscoveryPollSleepMs(std::uint32_t listedPrinters) {
    return listedPrinters != 0 ? kDiscoveryListedPollMs : kDiscoveryIdlePollMs;
}

bool DiscoveryCountWatch::Changed(std::uint32_t count) {
    if (count == last_) return false;
    last_ = count;
    return true;
}

}  // namespace kelno
