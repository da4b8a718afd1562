// Datagrams arriving on the discovery port: only 116-byte answers are taken, and whatever the
// answer says, the network list stays consistent (count = records, no printer listed twice).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "discovery/discovery_datagram.h"

namespace {

std::uint32_t Length(const kelno::PortList& list) {
    std::uint32_t n = 0;
    for (const kelno::PortRecord* r = list.head; r; r = r->next) ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelno::PortList network, spooler;
    kelno::PortRecordPtr port = kelno::MakePortRecord();
    kelno::SetField(port->portName, u"192.168.1.50");
    kelno::PushFront(spooler, std::move(port));

    // The input is cut into datagrams of the sizes its first bytes give, so that runs of
    // answers (and repeats) are explored too.
    std::size_t at = 0;
    while (at < size) {
        const std::size_t chunk = data[at] & 1 ? kelno::kDiscoveryAnswerSize : data[at];
        ++at;
        const std::size_t take = chunk < size - at ? chunk : size - at;
        kelno::DiscoveryAnswer answer;
        const bool parsed = kelno::ParseDiscoveryAnswer(data + at, take, answer);
        if (parsed != (take == kelno::kDiscoveryAnswerSize)) std::abort();
        if (parsed) {
            if (answer.Model().size() > kelno::kAnswerModelMaxChars) std::abort();
            const auto result = kelno::AddDiscoveryAnswer(network, &spooler, answer);
            if (result == kelno::DiscoveryAnswerResult::added &&
                kelno::FieldText(network.head->portName) != kelno::Ipv4Text(answer.address))
                std::abort();
            // Handling the same answer again never adds a second row.
            if (kelno::AddDiscoveryAnswer(network, &spooler, answer) == kelno::DiscoveryAnswerResult::added)
                std::abort();
        }
        at += take;
    }
    if (Length(network) != network.count || Length(spooler) != spooler.count) std::abort();
    kelno::FreeAll(network);
    kelno::FreeAll(spooler);
    return 0;
}
