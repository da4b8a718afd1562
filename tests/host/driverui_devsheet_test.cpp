// The portable rules of the printer-properties pages: the firmware image header and the
// printer's answers (bytes from outside), the status line, the transfer's progress, and the
// Printer Settings page's flags, default folder, change tracking and bounded paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driverui/devsheet/firmware.h"
#include "driverui/devsheet/printer_settings.h"

namespace kelno {
namespace {

// An image header: magic "HW?V", version at 6, model at 20, checksum at 89.
std::vector<std::uint8_t> Header(const std::string& version, const std::string& model, std::uint16_t checksum,
                                 std::size_t size = kFirmwareHeaderBytes) {
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(size, kFirmwareHeaderBytes), 0xEE);
    bytes[0] = 'H';
    bytes[1] = 'W';
    bytes[2] = 'x';
    bytes[3] = 'V';
    for (std::size_t i = 0; i < 12; ++i) bytes[6 + i] = i < version.size() ? version[i] : 0;
    for (std::size_t i = 0; i < 64; ++i) bytes[20 + i] = i < model.size() ? model[i] : 0;
    bytes[89] = static_cast<std::uint8_t>(checksum & 0xFF);
    bytes[90] = static_cast<std::uint8_t>(checksum >> 8);
    bytes.resize(size);
    return bytes;
}

TEST(FirmwareHeaderTest, ReadsVersionModelAndSignedChecksum) {
    const std::optional<FirmwareHeader> header = ParseFirmwareHeader(Header("V2.10", "MX-410 MX-420", 0xBEEF));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->version, "V2.10");
    EXPECT_EQ(header->model, "MX-410 MX-420");
    EXPECT_EQ(header->checksum, static_cast<std::int16_t>(0xBEEF));
}

TEST(FirmwareHeaderTest, FieldsThatFillTheirRoomAndBytesBeyondTheHeader) {
    const std::string version(12, '7');
    const std::string model(64, 'M');
    // Version and model without a terminator end at their fields (bytes 18 and 84 are 0xEE);
    // bytes after the 91st are not looked at.
    std::vector<std::uint8_t> bytes = Header(version, model, 0x0102, 200);
    const std::optional<FirmwareHeader> header = ParseFirmwareHeader(bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->version, version);
    EXPECT_EQ(header->model, model);
    EXPECT_EQ(header->checksum, 0x0102);
}

TEST(FirmwareHeaderTest, ShortImagesReadAsZeros) {
    const struct {
        std::size_t size;
        std::string version, model;
        std::int16_t checksum;
    } cases[] = {
        {4, "", "", 0},                        // the magic alone
        {10, "V2.1", "", 0},                   // cut inside the version
        {30, "V2.10", "MX-410 MX-", 0},        // cut inside the model
        {90, "V2.10", "MX-410 MX-420", 0x7F},  // one checksum byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::optional<FirmwareHeader> header =
            ParseFirmwareHeader(Header("V2.10", "MX-410 MX-420", 0x457F, c.size));
        ASSERT_TRUE(header);
        EXPECT_EQ(header->version, c.version);
        EXPECT_EQ(header->model, c.model);
        EXPECT_EQ(header->checksum, c.checksum);
    }
}

TEST(FirmwareHeaderTest, AnythingButTheMagicIsNoHeader) {
    EXPECT_FALSE(ParseFirmwareHeader({}));
    for (std::size_t position : {0u, 1u, 3u}) {
        std::vector<std::uint8_t> bytes = Header("V1", "MX-410", 1);
        bytes[position] = static_cast<std::uint8_t>(bytes[position] + 32);  // lower case
        EXPECT_FALSE(ParseFirmwareHeader(bytes)) << position;
    }
    std::vector<std::uint8_t> bytes = Header("V1", "MX-410", 1);
    bytes[2] = 0;
    EXPECT_TRUE(ParseFirmwareHeader(bytes)) << "byte 2 is not part of the magic";
}

TEST(FirmwareHeaderTest, ChecksumTexts) {
    const struct {
        std::int16_t value;
        const char* image;
        const char* printer;
    } cases[] = {
        {0x1234, "0x1234", "0x1234"},
        {5, "0x 5", "0x05"},
        {0, "0x 0", ""},  // the printer knows no checksum
        {-2, "0xfffffffe", "0xfffffffe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImageChecksumText(c.value), c.image) << c.value;
        EXPECT_EQ(PrinterChecksumText(c.value), c.printer) << c.value;
    }
}

TEST(FirmwareHeaderTest, ModelCheckIsACaseSensitiveSubstringSearch) {
    const struct {
        const char* model;
        const char* printer;
        bool fits;
    } cases[] = {
        {"MX-410 MX-420", "MX-410", true},
        {"MX-410 MX-420", "MX-420", true},
        {"MX-410 MX-420", "mx-410", false},
        {"MX-410 MX-420", "Tavolen MX-410", false},
        {"", "MX-410", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageFitsPrinter(c.model, c.printer), c.fits) << c.model << " / " << c.printer;
}

TEST(PrinterValuesTest, StatusOfTheUpdateCheck) {
    const struct {
        std::uint8_t byte0;
        FirmwareStatus status;
    } cases[] = {
        {0, kFirmwareReady},
        {1, kFirmwareReady},               // not in update mode / check state 0
        {4, kFirmwareReady},               // a check state outside update mode
        {5, kFirmwareCheckingCrc},         // update mode, state 2
        {3, kFirmwareVerificationFailed},  // update mode, state 1
        {7, kFirmwareVerificationFailed},  // update mode, state 3
        {0xF9, kFirmwareReady},            // higher bits do not count
    };
    for (const auto& c : cases) {
        const std::uint8_t reply[kPollReplyBytes] = {c.byte0};
        EXPECT_EQ(PollStatus(reply), c.status) << int{c.byte0};
        EXPECT_EQ(InUpdateMode(reply), (c.byte0 & 1) != 0);
    }
    EXPECT_EQ(PollStatus({}), kFirmwareReady);
}

TEST(PrinterValuesTest, OfflineVersionAndChecksum) {
    const std::uint8_t offline[kPollReplyBytes] = {8};
    const std::uint8_t busy[kPollReplyBytes] = {9};
    EXPECT_TRUE(PrinterOffline(offline));
    EXPECT_FALSE(PrinterOffline(busy));
    EXPECT_FALSE(PrinterOffline({}));

    std::vector<std::uint8_t> reply(kPollReplyBytes, 0);
    const std::string version = "V1.2.3-45678";  // twelve characters
    std::copy(version.begin(), version.end(), reply.begin() + 5);
    reply[17] = '!';  // overwritten before use
    EXPECT_EQ(FirmwareVersionText(reply), version);
    reply[10] = 0;
    EXPECT_EQ(FirmwareVersionText(reply), "V1.2.");
    // A reply shorter than the field is read as far as it goes.
    EXPECT_EQ(FirmwareVersionText(std::vector<std::uint8_t>(reply.begin(), reply.begin() + 8)), "V1.");

    EXPECT_EQ(FirmwareChecksum(std::vector<std::uint8_t>{0x34, 0x12}), 0x1234);
    EXPECT_EQ(FirmwareChecksum(std::vector<std::uint8_t>{0xFF, 0xFF}), -1);
    EXPECT_EQ(FirmwareChecksum(std::vector<std::uint8_t>{0x34}), 0x34);
}

TEST(FirmwareStatusTest, StringsOfTheCodes) {
    EXPECT_EQ(FirmwareStatusString(kFirmwareSendFailed), 2224u);
    EXPECT_EQ(FirmwareStatusString(15), 2236u);
    EXPECT_FALSE(FirmwareStatusString(16));
    EXPECT_FALSE(FirmwareStatusString(0xFFFFFFFF));
}

TEST(FirmwareStatusTest, TransferPercent) {
    const struct {
        std::uint64_t sent, size;
        std::uint32_t percent;
    } cases[] = {
        {1024, 2048, 50},
        {2048, 2048, 100},
        {1024, 3000, 34},
        {0, 0, 100},                         // an empty image: no division by zero
        {3'000'000'000, 6'000'000'000, 50},  // (sent x 100) does not fit 32 bits
        {50'000'000, 100'000'000, 50},
    };
    for (const auto& c : cases) EXPECT_EQ(TransferPercent(c.sent, c.size), c.percent) << c.sent << "/" << c.size;
}

TEST(PrinterSettingsTest, PageFlagsKeepTheOtherBits) {
    const struct {
        std::uint32_t flags;
        bool record, lock;
        std::uint32_t result;
    } cases[] = {
        {2, true, false, 10},
        {2, false, true, 18},
        {26, false, false, 2},
        {6, true, true, 30},
        {0xFFFFFFFF, false, false, 0xFFFFFFE7},
    };
    for (const auto& c : cases) EXPECT_EQ(WithPageFlags(c.flags, c.record, c.lock), c.result) << c.flags;
}

TEST(PrinterSettingsTest, ChangedAsSoonAsOneValueDiffers) {
    const PrinterSettingsValues stored{true, false, u"C:\\Printer Log\\Q", 1};
    EXPECT_TRUE(SameAsStored(stored, 8 | 2, u"C:\\Printer Log\\Q", 1));
    PrinterSettingsValues changed = stored;
    changed.recordPrinterCode = false;
    EXPECT_FALSE(SameAsStored(changed, 10, u"C:\\Printer Log\\Q", 1));
    changed = stored;
    changed.lockDriverSettings = true;
    EXPECT_FALSE(SameAsStored(changed, 10, u"C:\\Printer Log\\Q", 1));
    changed = stored;
    changed.folder = u"C:\\Printer Log\\q";
    EXPECT_FALSE(SameAsStored(changed, 10, u"C:\\Printer Log\\Q", 1));
    changed = stored;
    changed.unit = 2;
    EXPECT_FALSE(SameAsStored(changed, 10, u"C:\\Printer Log\\Q", 1));
}

TEST(PrinterSettingsTest, DefaultFolderAndBoundedPaths) {
    EXPECT_EQ(DefaultLogFolder(u"Tavolen MX-410"), u"C:\\Printer Log\\Tavolen MX-410");
    EXPECT_EQ(DefaultLogFolder(std::u16string(300, u'x')).size(), kPathUnits - 1);

    EXPECT_EQ(JoinPath(u"C:\\Log", u"job.prn"), u"C:\\Log\\job.prn");
    // 259 units and the terminator fit; one more is refused, not cut.
    const std::u16string folder(250, u'f');
    EXPECT_EQ(JoinPath(folder, u"12345678")->size(), 259u);
    EXPECT_FALSE(JoinPath(folder, u"123456789"));

    EXPECT_EQ(NotepadCommandLine(u"C:\\windows", u"C:\\Log\\a b.prn", 64),
              u"C:\\windows\\notepad.exe \"C:\\Log\\a b.prn\"");
    const std::u16string line = u"C:\\w\\notepad.exe \"f\"";
    EXPECT_TRUE(NotepadCommandLine(u"C:\\w", u"f", line.size() + 1));
    EXPECT_FALSE(NotepadCommandLine(u"C:\\w", u"f", line.size()));
}

}  // namespace
}  // namespace kelno
