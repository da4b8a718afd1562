#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "discovery/discovery_datagram.h"

namespace kelno {
namespace {

std::vector<std::uint8_t> Answer(std::initializer_list<std::uint8_t> address, std::string_view model,
                                 std::size_t size = kDiscoveryAnswerSize) {
    std::vector<std::uint8_t> bytes(size, 0xEE);  // uninterpreted bytes are noise
    std::copy(address.begin(), address.end(), bytes.begin() + kAnswerAddressOffset);
    std::fill(bytes.begin() + kAnswerModelOffset, bytes.end(), 0);
    std::memcpy(bytes.data() + kAnswerModelOffset, model.data(), std::min(model.size(), kAnswerModelField));
    return bytes;
}

DiscoveryAnswerResult Add(PortList& net, PortList* spooler, const std::vector<std::uint8_t>& bytes) {
    DiscoveryAnswer answer;
    EXPECT_TRUE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), answer));
    return AddDiscoveryAnswer(net, spooler, answer);
}

// The spooler's port list holding one port of that name.
PortList SpoolerWithPort(std::u16string_view name) {
    PortList spooler;
    PortRecordPtr port = MakePortRecord();
    SetField(port->portName, name);
    PushFront(spooler, std::move(port));
    return spooler;
}

TEST(DiscoveryAnswer, OnlyExactly116BytesAreParsed) {
    DiscoveryAnswer answer{};
    answer.model[0] = 'k';
    const auto received = Answer({192, 168, 1, 50}, "MX-410", kDiscoveryReceiveBuffer);
    for (std::size_t size : {0u, 115u, 117u, 1024u})
        EXPECT_FALSE(ParseDiscoveryAnswer(received.data(), size, answer)) << size;
    EXPECT_FALSE(ParseDiscoveryAnswer(nullptr, kDiscoveryAnswerSize, answer));
    EXPECT_EQ(answer.model[0], 'k');  // untouched

    const auto bytes = Answer({192, 168, 1, 50}, "MX-410");
    ASSERT_TRUE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), answer));
    EXPECT_EQ(Ipv4Text(answer.address), u"192.168.1.50");
    EXPECT_EQ(answer.Model(), "MX-410");
    const std::uint8_t low[4] = {0, 9, 10, 255};
    EXPECT_EQ(Ipv4Text(low), u"0.9.10.255");
}

TEST(DiscoveryAnswer, ModelNameIsAtMost60CharactersEvenWithoutNul) {
    const auto bytes = Answer({10, 0, 0, 1}, std::string(64, 'M'));
    DiscoveryAnswer answer;
    ASSERT_TRUE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), answer));
    EXPECT_EQ(answer.Model(), std::string(60, 'M'));
}

TEST(NetworkPrinterDescription, BrandPrefixAddedOnlyWhenMissing) {
    EXPECT_EQ(NetworkPrinterDescription(u"MX-410"), u"Tavolen MX-410");
    EXPECT_EQ(NetworkPrinterDescription(u"Tavolen MX-410"), u"Tavolen MX-410");
    EXPECT_EQ(NetworkPrinterDescription(u"TavolenMX-410"), u"TavolenMX-410");
    EXPECT_EQ(NetworkPrinterDescription(u""), u"Tavolen ");
}

TEST(AddDiscoveryAnswer, SupportedModelBecomesANetworkPort) {
    PortList net;
    EXPECT_EQ(Add(net, nullptr, Answer({192, 168, 1, 50}, "MX-410")), DiscoveryAnswerResult::added);
    EXPECT_EQ(Add(net, nullptr, Answer({192, 168, 1, 51}, "Tavolen MX-430")), DiscoveryAnswerResult::added);
    ASSERT_EQ(net.count, 2u);
    const PortRecord* r = FindByPortName(net, u"192.168.1.50");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(FieldText(r->description), u"Tavolen MX-410");
    EXPECT_EQ(r->portType, kPortTypeNetwork);
    EXPECT_EQ(FieldText(FindByPortName(net, u"192.168.1.51")->description), u"Tavolen MX-430");
    FreeAll(net);
}

TEST(AddDiscoveryAnswer, UnsupportedModelsAddNothing) {
    PortList net;
    PortList spooler = SpoolerWithPort(u"192.168.1.50");
    for (const char* model : {"MX-999", "mx-410", "", "Tavolen  MX-410", "MX-410 "})
        EXPECT_EQ(Add(net, &spooler, Answer({192, 168, 1, 50}, model)), DiscoveryAnswerResult::unsupported) << model;
    EXPECT_EQ(net.count, 0u);
    EXPECT_EQ(spooler.count, 1u);  // an ignored answer takes no spooler port over
    FreeAll(spooler);
}

TEST(AddDiscoveryAnswer, SamePrinterOnTwoLocalAddressesIsListedOnce) {
    PortList net;
    PortList spooler = SpoolerWithPort(u"192.168.1.50");
    EXPECT_EQ(Add(net, &spooler, Answer({192, 168, 1, 50}, "MX-410")), DiscoveryAnswerResult::added);
    EXPECT_EQ(Add(net, &spooler, Answer({192, 168, 1, 50}, "MX-410")), DiscoveryAnswerResult::duplicate);
    EXPECT_EQ(Add(net, &spooler, Answer({192, 168, 1, 50}, "Tavolen MX-410")), DiscoveryAnswerResult::duplicate);
    EXPECT_EQ(net.count, 1u);
    EXPECT_EQ(spooler.count, 0u);  // the spooler's TCP/IP port of that address gave way
    FreeAll(net);
}

TEST(DiscoveryAddresses, UnassignedAddressSendsNothing) {
    EXPECT_FALSE(IsUsableLocalAddress("0.0.0.0"));
    EXPECT_FALSE(IsUsableLocalAddress(""));
    EXPECT_TRUE(IsUsableLocalAddress("192.168.1.2"));
}

TEST(DiscoveryPoll, ListIsRebuiltWhenTheCountChanges) {
    DiscoveryCountWatch watch;
    EXPECT_FALSE(watch.Changed(0));
    EXPECT_TRUE(watch.Changed(2));
    EXPECT_FALSE(watch.Changed(2));
    EXPECT_TRUE(watch.Changed(0));  // the printer stopped answering
}

}  // namespace
}  // namespace kelno
