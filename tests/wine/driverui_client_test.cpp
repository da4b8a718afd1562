// The configuration DLL in Wine's spooler: the package's driver is installed under each model's
// name with a queue per model, and an ordinary client reaches the DLL through DocumentPropertiesW
// and DeviceCapabilitiesW. Where Wine has no client path (it never calls DrvPrinterEvent,
// DrvConvertDevMode, DrvUpgradePrinter, DevQueryPrintEx or DrvSplDeviceCaps) the test calls the
// installed DLL's exports the way the spooler would. The printer-data operations that no
// export reaches yet are called directly.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driverui/core/win/context.h"
#include "driverui/core/devmode.h"
#include "driverui/core/win/driver_interface.h"
#include "driverui/core/win/entry_points.h"
#include "driverui/core/win/module.h"
#include "driverui/core/paper_record.h"
#include "driverui/core/win/printer_data.h"
#include "tests/support/import_hook.h"
#include "tests/wine/driverui_test_support.h"

namespace kelno::test {
namespace {

// The client call, not the DLL's DeviceCapabilities of entry_points.h (same name via the macro).
using ::DeviceCapabilitiesW;

constexpr DWORD kDevmodeSize = 5196;

using DrvPrinterEventFn = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
using DrvConvertDevModeFn = BOOL(WINAPI*)(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);
using DrvUpgradePrinterFn = BOOL(WINAPI*)(DWORD, LPBYTE);
using DevQueryPrintExFn = BOOL(WINAPI*)(DevQueryPrintInfo*);
using DrvSplDeviceCapsFn = DWORD(WINAPI*)(HANDLE, PWSTR, WORD, PVOID, DWORD, PDEVMODEW);
using DrvDocumentPropertySheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);

// Queue names: one per model, named after it.
std::wstring QueueOf(const wchar_t* driver) { return std::wstring(driver) + L" queue"; }
const std::wstring kQueue410 = QueueOf(L"Tavolen MX-410");
const std::wstring kQueue310 = QueueOf(L"Tavolen MX-310");
const std::wstring kQueue420 = QueueOf(L"Tavolen MX-420");
const std::wstring kQueue430 = QueueOf(L"Tavolen MX-430");

HMODULE g_driverUi = nullptr;

class DriverUiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(InstallPackageDrivers()) << GetLastError();
        for (const wchar_t* driver : kModelDrivers) ASSERT_TRUE(AddQueue(QueueOf(driver), driver)) << GetLastError();
        g_driverUi = LoadInstalledDriverUi();
        ASSERT_NE(g_driverUi, nullptr) << GetLastError();
        // The internal operations called directly use the installed DLL's resources.
        kelno::g_module = g_driverUi;
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new DriverUiEnvironment);

template <typename Function>
Function Export(const char* name) {
    Function function = ExportOf<Function>(g_driverUi, name);
    EXPECT_NE(function, nullptr) << name;
    return function;
}

BOOL InitialisePrinter(const std::wstring& queue) {
    return Export<DrvPrinterEventFn>("DrvPrinterEvent")(const_cast<wchar_t*>(queue.c_str()), kPrinterEventInitialize, 0,
                                                        0);
}

// The DEVMODE DocumentPropertiesW writes for the queue; input optional.
std::vector<BYTE> QueryDevmode(const std::wstring& queue, const DEVMODEW* input = nullptr, LONG* result = nullptr) {
    Printer printer(queue);
    std::vector<BYTE> out(kDevmodeSize + 64, 0xCD);
    const DWORD mode = DM_OUT_BUFFER | (input ? DM_IN_BUFFER : 0);
    const LONG r = DocumentPropertiesW(nullptr, printer.get(), const_cast<wchar_t*>(queue.c_str()),
                                       reinterpret_cast<DEVMODEW*>(out.data()), const_cast<DEVMODEW*>(input), mode);
    if (result) *result = r;
    return out;
}

const PublicDevmode& Public(const std::vector<BYTE>& bytes) {
    return *reinterpret_cast<const PublicDevmode*>(bytes.data());
}
const PrivateDevmode& Private(const std::vector<BYTE>& bytes) {
    return *reinterpret_cast<const PrivateDevmode*>(bytes.data() + sizeof(PublicDevmode));
}
std::wstring Text(const char16_t* text, std::size_t units) {
    std::wstring out;
    for (std::size_t i = 0; i < units && text[i]; ++i) out.push_back(static_cast<wchar_t>(text[i]));
    return out;
}

std::vector<std::wstring> PaperNames(const std::wstring& queue, const DEVMODEW* devmode = nullptr) {
    const int count = DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_PAPERNAMES, nullptr, devmode);
    if (count <= 0) return {};
    std::vector<wchar_t> names(static_cast<std::size_t>(count) * 64, L'#');
    EXPECT_EQ(DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_PAPERNAMES, names.data(), devmode), count);
    std::vector<std::wstring> out;
    for (int i = 0; i < count; ++i) out.emplace_back(names.data() + i * 64);
    return out;
}

std::vector<WORD> PaperIds(const std::wstring& queue) {
    const int count = DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_PAPERS, nullptr, nullptr);
    if (count <= 0) return {};
    std::vector<WORD> ids(static_cast<std::size_t>(count));
    EXPECT_EQ(DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_PAPERS, reinterpret_cast<wchar_t*>(ids.data()), nullptr),
              count);
    return ids;
}

CurrentFormRecord Form(const wchar_t* name, std::int32_t width, std::int32_t height) {
    CurrentFormRecord form{};
    for (std::size_t i = 0; name[i] && i < 31; ++i) form.name[i] = static_cast<char16_t>(name[i]);
    form.id = 300;
    form.width = width;
    form.height = height;
    form.right = width;
    form.bottom = height;
    return form;
}

PaperRecord Paper(std::uint32_t id, const wchar_t* name, std::int32_t width, std::int32_t height) {
    PaperRecord paper{};
    paper.id = id;
    for (std::size_t i = 0; name[i] && i < 31; ++i) paper.name[i] = static_cast<char16_t>(name[i]);
    paper.width = width;
    paper.height = height;
    paper.flags = kBuiltInPaperFlag | kPaperDirectThermal;
    return paper;
}

// A public-only DEVMODE (220 bytes, no private part) in a buffer of its own.
std::vector<BYTE> PublicDevmodeBytes(DWORD fields) {
    std::vector<BYTE> bytes(sizeof(DEVMODEW), 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
    dm->dmSpecVersion = DM_SPECVERSION;
    dm->dmSize = sizeof(DEVMODEW);
    dm->dmFields = fields;
    return bytes;
}

// Two pages of which the second cannot be touched: an area that ends exactly at the first
// page's end, so any access past it faults.
class GuardedArea {
public:
    GuardedArea() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_) VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedArea() {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    // size bytes ending at the protected page.
    BYTE* Tail(std::size_t size) { return base_ + page_ - size; }

private:
    BYTE* base_ = nullptr;
    std::size_t page_ = 0;
};

// ---- DocumentPropertiesW: size query, default DEVMODE, merges ---------------------------------

TEST(DocumentPropertiesTest, SizeQueryAnnouncesTheDriverDevmode) {
    Printer printer(kQueue410);
    ASSERT_TRUE(printer);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.get(), const_cast<wchar_t*>(kQueue410.c_str()), nullptr, nullptr, 0),
              5196);
    // Without a handle, by name (AddPrinterW's own path).
    EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, const_cast<wchar_t*>(kQueue310.c_str()), nullptr, nullptr, 0),
              5196);
}

TEST(DocumentPropertiesTest, DefaultDevmodeOfEachModel) {
    struct Expected {
        const std::wstring& queue;
        std::int16_t paperWidth, paperLength;  // the USER paper of the model's list
    };
    const Expected models[] = {
        {kQueue410, 1016, 1523}, {kQueue310, 720, 1299}, {kQueue420, 1016, 1523}, {kQueue430, 1016, 1523}};
    for (const Expected& model : models) {
        SCOPED_TRACE(Narrow(model.queue));
        LONG result = 0;
        const std::vector<BYTE> dm = QueryDevmode(model.queue, nullptr, &result);
        ASSERT_EQ(result, 1);
        const PublicDevmode& pub = Public(dm);
        EXPECT_EQ(Text(pub.dmDeviceName, 32), model.queue);
        EXPECT_EQ(pub.dmSize, 220);
        EXPECT_EQ(pub.dmDriverExtra, 4976);
        EXPECT_EQ(pub.dmSpecVersion, 0x0401);
        EXPECT_EQ(pub.dmDriverVersion, 0x0600);
        EXPECT_EQ(std::memcmp(Private(dm).signature, "MDVQ", 4), 0);
        EXPECT_EQ(Private(dm).version, 4112u);
        EXPECT_EQ(pub.dmPrintQuality, 203);
        EXPECT_EQ(pub.dmCopies, 1);
        EXPECT_EQ(pub.dmPaperSize, 256);
        EXPECT_EQ(pub.dmPaperWidth, model.paperWidth);
        EXPECT_EQ(pub.dmPaperLength, model.paperLength);
        EXPECT_EQ(Private(dm).printerLanguage, 2u);  // TSPL
        // Nothing is written behind the 5196 bytes.
        EXPECT_EQ(dm[kDevmodeSize], 0xCD);
    }
}

TEST(DocumentPropertiesTest, AddPrinterStoredTheDriverDefaultBuiltWithoutAHandle) {
    // Wine's AddPrinterW asked the DLL for the default with a null printer handle; the DLL
    // reached the new queue by its name and built the driver's own DEVMODE.
    Printer printer(kQueue420);
    DWORD needed = 0;
    GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed));
    const DEVMODEW* stored = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())->pDevMode;
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->dmDriverExtra, 4976);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const BYTE*>(stored) + stored->dmSize, "MDVQ", 4), 0);
}

TEST(DocumentPropertiesTest, MergesTheCallersRequestsAndRejectsBadOnes) {
    std::vector<BYTE> in = QueryDevmode(kQueue420);
    auto* dm = reinterpret_cast<DEVMODEW*>(in.data());
    dm->dmFields = DM_COPIES | DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
    dm->dmCopies = 5;
    dm->dmOrientation = DMORIENT_LANDSCAPE;
    dm->dmPaperSize = 256;
    dm->dmPaperWidth = 500;
    dm->dmPaperLength = 300;
    std::vector<BYTE> out = QueryDevmode(kQueue420, dm);
    EXPECT_EQ(Public(out).dmCopies, 5);
    EXPECT_EQ(Public(out).dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(Public(out).dmPaperSize, 256);
    EXPECT_EQ(Public(out).dmPaperWidth, 500);
    EXPECT_EQ(Public(out).dmPaperLength, 300);

    // Rejected values keep the defaults: no copies, an unknown orientation, a 2 m wide label.
    dm->dmCopies = 0;
    dm->dmOrientation = 7;
    dm->dmPaperWidth = 20000;
    out = QueryDevmode(kQueue420, dm);
    EXPECT_EQ(Public(out).dmCopies, 1);
    EXPECT_EQ(Public(out).dmOrientation, DMORIENT_PORTRAIT);
}

TEST(DocumentPropertiesTest, PublicOnlyInputGivesPublicOnlyOutput) {
    std::vector<BYTE> in = PublicDevmodeBytes(DM_COPIES);
    reinterpret_cast<DEVMODEW*>(in.data())->dmCopies = 3;
    const std::vector<BYTE> out = QueryDevmode(kQueue410, reinterpret_cast<DEVMODEW*>(in.data()));
    EXPECT_EQ(Public(out).dmSize, 220);
    EXPECT_EQ(Public(out).dmDriverExtra, 0);
    EXPECT_EQ(Public(out).dmCopies, 3);
    EXPECT_EQ(out[220], 0xCD) << "the output is the smaller of both, 220 bytes";
}

TEST(DocumentPropertiesTest, LyingDriverExtraIsNotReadPastItsBuffer) {
    GuardedArea area;
    // A 220-byte DEVMODE claiming 60000 private bytes, right before an inaccessible page.
    BYTE* at = area.Tail(sizeof(DEVMODEW));
    std::vector<BYTE> bytes = PublicDevmodeBytes(DM_COPIES);
    auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
    dm->dmCopies = 9;
    dm->dmDriverExtra = 60000;
    std::memcpy(at, bytes.data(), bytes.size());
    LONG result = 0;
    const std::vector<BYTE> out = QueryDevmode(kQueue410, reinterpret_cast<DEVMODEW*>(at), &result);
    EXPECT_EQ(result, 1);
    // Not recognised: the driver default comes back whole.
    EXPECT_EQ(Public(out).dmCopies, 1);
    EXPECT_EQ(Public(out).dmDriverExtra, 4976);
}

TEST(DocumentPropertiesTest, OutputAreaIsNotWrittenPastWritableMemory) {
    GuardedArea area;
    // Room for 1000 bytes only: the full 5196-byte answer does not fit and is refused.
    BYTE* at = area.Tail(1000);
    std::memset(at, 0xCD, 1000);
    Printer printer(kQueue410);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.get(), const_cast<wchar_t*>(kQueue410.c_str()),
                                  reinterpret_cast<DEVMODEW*>(at), nullptr, DM_OUT_BUFFER),
              -1);
    // A 220-byte input asks for 220 bytes of output, which fit.
    std::vector<BYTE> in = PublicDevmodeBytes(0);
    BYTE* small = area.Tail(220);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.get(), const_cast<wchar_t*>(kQueue410.c_str()),
                                  reinterpret_cast<DEVMODEW*>(small), reinterpret_cast<DEVMODEW*>(in.data()),
                                  DM_IN_BUFFER | DM_OUT_BUFFER),
              1);
    EXPECT_EQ(reinterpret_cast<DEVMODEW*>(small)->dmSize, 220);
}

TEST(DocumentPropertiesTest, HeaderWithoutOutputAnswersTheSizeAndSetsCbOut) {
    auto sheets = Export<DrvDocumentPropertySheetsFn>("DrvDocumentPropertySheets");
    DocumentPropertyHeader header{};
    header.cbSize = sizeof header;
    header.pszPrinterName = const_cast<wchar_t*>(kQueue410.c_str());
    header.fMode = 0;
    EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), 5196);
    EXPECT_EQ(header.cbOut, 5196u);
    EXPECT_EQ(sheets(nullptr, 0), 0) << "no header";
    // DM_NOPERMISSION: nothing is done.
    std::vector<BYTE> out(kDevmodeSize, 0xCD);
    header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
    header.fMode = DM_COPY | kDmNoPermission;
    EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), 1);
    EXPECT_EQ(out[0], 0xCD);
}

TEST(DocumentPropertiesTest, InstalledFormOfTheWrongSizeIsIgnored) {
    const CurrentFormRecord form = Form(L"60 x 40", 60000, 40000);
    ASSERT_TRUE(SetPrinterBinary(kQueue430, L"InstalledForm", &form, sizeof form));
    EXPECT_EQ(Public(QueryDevmode(kQueue430)).dmPaperWidth, 600);
    EXPECT_EQ(Public(QueryDevmode(kQueue430)).dmPaperLength, 400);

    std::vector<BYTE> longer(113, 0);
    std::memcpy(longer.data(), &form, sizeof form);
    for (DWORD size : {111u, 113u}) {
        ASSERT_TRUE(SetPrinterBinary(kQueue430, L"InstalledForm", longer.data(), size));
        EXPECT_EQ(Public(QueryDevmode(kQueue430)).dmPaperWidth, 1016) << size;
    }
    DeletePrinterValue(kQueue430, L"InstalledForm");
}

// ---- DeviceCapabilitiesW ------------------------------------------------------------------

TEST(DeviceCapabilitiesTest, ListQueriesFailUntilThePrinterHasItsForms) {
    const std::wstring queue = L"No forms yet";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-420"));
    EXPECT_EQ(DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_PAPERNAMES, nullptr, nullptr), -1);
    EXPECT_EQ(DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_PAPERS, nullptr, nullptr), -1);
    EXPECT_EQ(DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_COPIES, nullptr, nullptr), 32767);
}

TEST(DeviceCapabilitiesTest, PaperListsAfterPrinterInitialisation) {
    ASSERT_TRUE(InitialisePrinter(kQueue420));
    EXPECT_EQ(PaperNames(kQueue420),
              (std::vector<std::wstring>{L"101.6 mm x 152.4 mm", L"76 mm x 130 mm", L"76 mm x 100 mm",
                                         L"72 mm x 130 mm", L"72 mm x 100 mm", L"Custom size"}));
    EXPECT_EQ(PaperIds(kQueue420), (std::vector<WORD>{257, 258, 259, 260, 261, 256}));

    const int count = DeviceCapabilitiesW(kQueue420.c_str(), L"FILE:", DC_PAPERSIZE, nullptr, nullptr);
    ASSERT_EQ(count, 6);
    std::vector<POINT> sizes(6);
    ASSERT_EQ(DeviceCapabilitiesW(kQueue420.c_str(), L"FILE:", DC_PAPERSIZE, reinterpret_cast<wchar_t*>(sizes.data()),
                                  nullptr),
              6);
    EXPECT_EQ(sizes[0].x, 1016);
    EXPECT_EQ(sizes[0].y, 1524);
    EXPECT_EQ(sizes[4].x, 720);
    EXPECT_EQ(sizes[4].y, 1000);
    EXPECT_EQ(sizes[5].x, 1016) << "USER: the model's entry 0, truncated";
    EXPECT_EQ(sizes[5].y, 1523);

    // The 72 mm model keeps only the papers it can print.
    ASSERT_TRUE(InitialisePrinter(kQueue310));
    EXPECT_EQ(PaperNames(kQueue310), (std::vector<std::wstring>{L"72 mm x 130 mm", L"72 mm x 100 mm", L"Custom size"}));
}

TEST(DeviceCapabilitiesTest, ValuesOfTheModel) {
    const auto cap = [](const std::wstring& queue, WORD index) {
        return DeviceCapabilitiesW(queue.c_str(), L"FILE:", index, nullptr, nullptr);
    };
    EXPECT_EQ(cap(kQueue420, DC_MAXEXTENT), (22860 << 16) | 1080);
    EXPECT_EQ(cap(kQueue410, DC_MAXEXTENT), (17780 << 16) | 1080);
    EXPECT_EQ(cap(kQueue310, DC_MAXEXTENT), (17780 << 16) | 720);
    EXPECT_EQ(cap(kQueue410, DC_MINEXTENT), 0x00640064);
    EXPECT_EQ(cap(kQueue410, DC_SIZE), 220);
    EXPECT_EQ(cap(kQueue410, DC_EXTRA), 4976);
    EXPECT_EQ(cap(kQueue410, DC_VERSION), 0x0401);
    EXPECT_EQ(cap(kQueue410, DC_DRIVER), 0x0600);
    EXPECT_EQ(cap(kQueue410, DC_ORIENTATION), 90);
    EXPECT_EQ(cap(kQueue410, DC_COPIES), 32767);
    EXPECT_EQ(cap(kQueue410, DC_PRINTRATE), 0) << "no default speed is sent for these models";
    EXPECT_EQ(cap(kQueue410, DC_PRINTRATEUNIT), 4);
    EXPECT_EQ(cap(kQueue410, DC_PRINTERMEM), 8192);
    EXPECT_EQ(cap(kQueue410, DC_DUPLEX), 0);
    EXPECT_EQ(cap(kQueue410, 19), -1) << "an index the driver does not answer";
    EXPECT_EQ(cap(kQueue410, 40), -1);

    wchar_t bin[24] = L"";
    EXPECT_EQ(DeviceCapabilitiesW(kQueue410.c_str(), L"FILE:", DC_BINNAMES, bin, nullptr), 1);
    EXPECT_STREQ(bin, L"Roll paper storehouse");
    LONG resolutions[2] = {};
    EXPECT_EQ(DeviceCapabilitiesW(kQueue410.c_str(), L"FILE:", DC_ENUMRESOLUTIONS,
                                  reinterpret_cast<wchar_t*>(resolutions), nullptr),
              1);
    EXPECT_EQ(resolutions[0], 203);
    EXPECT_EQ(resolutions[1], 203);
}

TEST(DeviceCapabilitiesTest, PersonalityFollowsTheDevmodesLanguage) {
    wchar_t name[32] = L"";
    EXPECT_EQ(DeviceCapabilitiesW(kQueue430.c_str(), L"FILE:", DC_PERSONALITY, name, nullptr), 1);
    EXPECT_STREQ(name, L"TSPL");
    std::vector<BYTE> dm = QueryDevmode(kQueue430);
    const std::uint32_t zpl = 3;
    std::memcpy(dm.data() + 2424, &zpl, sizeof zpl);
    EXPECT_EQ(
        DeviceCapabilitiesW(kQueue430.c_str(), L"FILE:", DC_PERSONALITY, name, reinterpret_cast<DEVMODEW*>(dm.data())),
        1);
    EXPECT_STREQ(name, L"ZPL/ZPL2");
}

TEST(DeviceCapabilitiesTest, PrinterWithOnlyTheUserForm) {
    const std::wstring queue = L"Only USER";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-430"));
    const PaperRecord user = Paper(256, L"USER", 101600, 152300);
    ASSERT_TRUE(SetPrinterBinary(queue, L"FORMS", &user, sizeof user));
    EXPECT_EQ(PaperNames(queue), std::vector<std::wstring>{L"Custom size"});
    EXPECT_EQ(PaperIds(queue), std::vector<WORD>{256});
    EXPECT_EQ(DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_MEDIAREADY, nullptr, nullptr), 0);
}

TEST(DeviceCapabilitiesTest, StoredFormsAreRenumbered) {
    const std::wstring queue = L"Three forms";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-430"));
    const PaperRecord forms[3] = {Paper(256, L"USER", 50000, 30000), Paper(900, L"Label A", 50000, 30000),
                                  Paper(17, L"Label B", 40000, 20000)};
    ASSERT_TRUE(SetPrinterBinary(queue, L"FORMS", forms, sizeof forms));  // 336 bytes
    EXPECT_EQ(PaperIds(queue), (std::vector<WORD>{257, 258, 256}));
    EXPECT_EQ(PaperNames(queue), (std::vector<std::wstring>{L"Label A", L"Label B", L"Custom size"}));
    // A job naming list paper 258 by id makes it the paper in use.
    std::vector<BYTE> dm = QueryDevmode(queue);
    auto* job = reinterpret_cast<DEVMODEW*>(dm.data());
    job->dmFields = DM_PAPERSIZE;
    job->dmPaperSize = 258;
    const std::vector<BYTE> merged = QueryDevmode(queue, job);
    EXPECT_EQ(Public(merged).dmPaperSize, 258) << "the id the paper lists give it, not the stored one";
    EXPECT_EQ(Text(Public(merged).dmFormName, CCHFORMNAME), L"Label B");
    EXPECT_EQ(Public(merged).dmPaperWidth, 400);
    EXPECT_EQ(Public(merged).dmPaperLength, 200);
}

// ---- DrvSplDeviceCaps -------------------------------------------------------------------------

TEST(SplDeviceCapsTest, NamesAreBoundedBySlots) {
    ASSERT_TRUE(InitialisePrinter(kQueue420));
    auto spl = Export<DrvSplDeviceCapsFn>("DrvSplDeviceCaps");
    Printer printer(kQueue420);
    wchar_t* name = const_cast<wchar_t*>(kQueue420.c_str());
    std::vector<wchar_t> buffer(3 * 64, L'#');
    EXPECT_EQ(spl(printer.get(), name, DC_PAPERNAMES, buffer.data(), 63, nullptr), GDI_ERROR);
    EXPECT_EQ(spl(printer.get(), name, DC_PAPERNAMES, nullptr, 0, nullptr), 6u);
    // Two slots: two names written, nothing past them.
    EXPECT_EQ(spl(printer.get(), name, DC_PAPERNAMES, buffer.data(), 2 * 64 + 10, nullptr), 6u);
    EXPECT_STREQ(buffer.data(), L"101.6 mm x 152.4 mm");
    EXPECT_STREQ(buffer.data() + 64, L"76 mm x 130 mm");
    EXPECT_EQ(buffer[128], L'#');
    EXPECT_EQ(spl(printer.get(), name, DC_COPIES, buffer.data(), 64, nullptr), GDI_ERROR);
}

// ---- DrvPrinterEvent and DrvUpgradePrinter ----------------------------------------------------

TEST(PrinterEventTest, InitialiseWritesTheModelsPapersAsForms) {
    const std::wstring queue = L"Event queue";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-310"));
    auto event = Export<DrvPrinterEventFn>("DrvPrinterEvent");
    EXPECT_TRUE(event(const_cast<wchar_t*>(queue.c_str()), 4 /* PRINTER_EVENT_DELETE */, 0, 0));
    EXPECT_FALSE(StoredPrinterValue(queue, L"FORMS").found) << "only the initialise event writes";

    EXPECT_TRUE(event(const_cast<wchar_t*>(queue.c_str()), kPrinterEventInitialize, 0, 0));
    const StoredValue forms = StoredPrinterValue(queue, L"FORMS");
    ASSERT_TRUE(forms.found);
    EXPECT_EQ(forms.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(forms.bytes.size(), 3 * sizeof(PaperRecord));
    const auto* papers = reinterpret_cast<const PaperRecord*>(forms.bytes.data());
    EXPECT_EQ(Text(papers[0].name, 32), L"USER");
    EXPECT_EQ(papers[0].width, 72000);
    EXPECT_EQ(papers[0].height, 129900);
    EXPECT_EQ(Text(papers[1].name, 32), L"72 mm x 130 mm");
    EXPECT_EQ(papers[1].flags, kBuiltInPaperFlag | kPaperDirectThermal | 1u);

    // Events for printers that cannot be opened do nothing and report success.
    EXPECT_TRUE(event(const_cast<wchar_t*>(L"No such printer"), kPrinterEventInitialize, 0, 0));
}

TEST(PrinterEventTest, ThermalTransferModelMarksItsPapers) {
    ASSERT_TRUE(InitialisePrinter(kQueue410));
    const StoredValue forms = StoredPrinterValue(kQueue410, L"FORMS");
    ASSERT_EQ(forms.bytes.size(), 6 * sizeof(PaperRecord));
    EXPECT_EQ(reinterpret_cast<const PaperRecord*>(forms.bytes.data())[1].flags & 0x30u, kPaperThermalTransfer);
}

TEST(UpgradePrinterTest, RewritesTheFormsAndChecksItsArguments) {
    const std::wstring queue = L"Upgrade queue";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-420"));
    auto upgrade = Export<DrvUpgradePrinterFn>("DrvUpgradePrinter");
    DriverUpgradeInfo1 info{const_cast<wchar_t*>(queue.c_str()), nullptr};
    EXPECT_TRUE(upgrade(1, reinterpret_cast<BYTE*>(&info)));
    EXPECT_EQ(StoredPrinterValue(queue, L"FORMS").bytes.size(), 6 * sizeof(PaperRecord));

    SetLastError(0);
    EXPECT_FALSE(upgrade(3, reinterpret_cast<BYTE*>(&info)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    SetLastError(0);
    EXPECT_FALSE(upgrade(1, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    DriverUpgradeInfo1 unknown{const_cast<wchar_t*>(L"No such printer"), nullptr};
    EXPECT_FALSE(upgrade(2, reinterpret_cast<BYTE*>(&unknown)));
    DriverUpgradeInfo1 unnamed{nullptr, nullptr};
    EXPECT_FALSE(upgrade(1, reinterpret_cast<BYTE*>(&unnamed)));
}

// ---- DrvConvertDevMode ------------------------------------------------------------------------

TEST(ConvertDevModeTest, DriverDefault) {
    auto convert = Export<DrvConvertDevModeFn>("DrvConvertDevMode");
    std::vector<BYTE> out(kDevmodeSize, 0);
    LONG size = 5000;
    SetLastError(0);
    EXPECT_FALSE(convert(const_cast<wchar_t*>(kQueue410.c_str()), nullptr, reinterpret_cast<DEVMODEW*>(out.data()),
                         &size, 4 /* CDM_DRIVER_DEFAULT */));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, 5196);

    EXPECT_TRUE(
        convert(const_cast<wchar_t*>(kQueue410.c_str()), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &size, 4));
    EXPECT_EQ(Text(Public(out).dmDeviceName, 32), kQueue410);
    EXPECT_EQ(Public(out).dmDriverExtra, 4976);
    EXPECT_EQ(std::memcmp(Private(out).signature, "MDVQ", 4), 0);

    SetLastError(0);
    EXPECT_FALSE(
        convert(const_cast<wchar_t*>(L"No such printer"), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &size, 4));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

TEST(ConvertDevModeTest, ConversionsBetweenSizes) {
    auto convert = Export<DrvConvertDevModeFn>("DrvConvertDevMode");
    wchar_t* name = const_cast<wchar_t*>(kQueue410.c_str());
    std::vector<BYTE> current = QueryDevmode(kQueue410);
    reinterpret_cast<DEVMODEW*>(current.data())->dmCopies = 7;

    // To the NT 3.51 layout: 188 public bytes and the private part behind them.
    std::vector<BYTE> old(kDevmodeSize, 0xCD);
    LONG size = 5000;
    EXPECT_FALSE(convert(name, reinterpret_cast<DEVMODEW*>(current.data()), reinterpret_cast<DEVMODEW*>(old.data()),
                         &size, 2 /* CDM_CONVERT351 */));
    EXPECT_EQ(size, 5164);
    size = 5164;
    ASSERT_TRUE(
        convert(name, reinterpret_cast<DEVMODEW*>(current.data()), reinterpret_cast<DEVMODEW*>(old.data()), &size, 2));
    EXPECT_EQ(Public(old).dmSize, 188);
    EXPECT_EQ(Public(old).dmSpecVersion, 0x0320);
    EXPECT_EQ(Public(old).dmDriverVersion, 0x0350);
    EXPECT_EQ(Public(old).dmDriverExtra, 4976);
    EXPECT_EQ(Public(old).dmCopies, 7);
    EXPECT_EQ(std::memcmp(old.data() + 188, "MDVQ", 4), 0);
    EXPECT_EQ(old[5164], 0xCD);

    // Back to the current layout, into an output whose size fields are set.
    std::vector<BYTE> back(kDevmodeSize, 0);
    reinterpret_cast<DEVMODEW*>(back.data())->dmSize = 220;
    reinterpret_cast<DEVMODEW*>(back.data())->dmDriverExtra = 4976;
    size = kDevmodeSize;
    ASSERT_TRUE(convert(name, reinterpret_cast<DEVMODEW*>(old.data()), reinterpret_cast<DEVMODEW*>(back.data()), &size,
                        1 /* CDM_CONVERT */));
    EXPECT_EQ(size, 5196);
    EXPECT_EQ(Public(back).dmSpecVersion, 0x0401);
    EXPECT_EQ(Public(back).dmCopies, 7);
    EXPECT_EQ(std::memcmp(Private(back).signature, "MDVQ", 4), 0);

    // An output too small for the sizes it claims, a missing size, an unknown mode.
    size = 1000;
    SetLastError(0);
    EXPECT_FALSE(
        convert(name, reinterpret_cast<DEVMODEW*>(old.data()), reinterpret_cast<DEVMODEW*>(back.data()), &size, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(
        convert(name, reinterpret_cast<DEVMODEW*>(old.data()), reinterpret_cast<DEVMODEW*>(back.data()), nullptr, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    size = kDevmodeSize;
    EXPECT_FALSE(
        convert(name, reinterpret_cast<DEVMODEW*>(old.data()), reinterpret_cast<DEVMODEW*>(back.data()), &size, 3));
}

// ---- DevQueryPrintEx --------------------------------------------------------------------------

class DevQueryPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitialisePrinter(kQueue430));
        const CurrentFormRecord loaded = Form(L"100 x 150", 100000, 150000);
        ASSERT_TRUE(SetPrinterBinary(kQueue430, L"InstalledForm", &loaded, sizeof loaded));
    }
    void TearDown() override {
        DeletePrinterValue(kQueue430, L"InstalledForm");
        DeletePrinterValue(kQueue430, L"PPDataFlags");
    }

    // A job naming neither its own size nor a list paper: it prints on the loaded paper.
    static std::vector<BYTE> Job(std::int16_t widthTenths, std::int16_t lengthTenths) {
        std::vector<BYTE> job = PublicDevmodeBytes(DM_PAPERSIZE);
        auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
        dm->dmPaperSize = 300;
        dm->dmPaperWidth = widthTenths;
        dm->dmPaperLength = lengthTenths;
        lstrcpynW(dm->dmFormName, L"Job paper", CCHFORMNAME);
        return job;
    }

    BOOL Query(std::vector<BYTE>* job, std::wstring* text, DWORD* needed = nullptr, DWORD units = 256) {
        return Query(job ? reinterpret_cast<DEVMODEW*>(job->data()) : nullptr, text, needed, units);
    }
    BOOL Query(DEVMODEW* job, std::wstring* text, DWORD* needed = nullptr, DWORD units = 256) {
        Printer printer(kQueue430);
        std::vector<wchar_t> buffer(units + 1, L'#');
        DevQueryPrintInfo info{};
        info.cbSize = sizeof info;
        info.Level = 1;
        info.hPrinter = printer.get();
        info.pDevMode = job;
        info.pszErrorStr = buffer.data();
        info.cchErrorStr = units;
        const BOOL ok = Export<DevQueryPrintExFn>("DevQueryPrintEx")(&info);
        *text = buffer[0] == L'#' ? L"" : std::wstring(buffer.data());
        if (needed) *needed = info.cchNeeded;
        EXPECT_EQ(buffer[units], L'#') << "written past the buffer";
        return ok;
    }
};

// Jobs against the loaded 100 x 150 paper, with and without other papers allowed (PPDataFlags
// 6 or 0); a refusal names the job's paper and says why.
TEST_F(DevQueryPrintTest, JobsAreCheckedAgainstTheLoadedPaper) {
    struct Case {
        const char* what;
        std::int16_t widthTenths, lengthTenths;
        const wchar_t* formName;  // asked for by name as well
        DWORD flags;
        const wchar_t* refusal;  // nullptr: accepted
    } const cases[] = {
        {"smaller job, other papers allowed", 500, 300, nullptr, 6, nullptr},
        {"smaller job, only the loaded paper", 500, 300, nullptr, 0,
         L"<Job paper> The selected paper has not been loaded."},
        {"larger in both directions", 2000, 2000, nullptr, 6,
         L"<Job paper> The paper size is out of range supported by printer."},
        {"turned, 150 x 100 fits the 100 x 150 form", 1500, 1000, nullptr, 6, nullptr},
        {"on the paper of its name", 2000, 2000, L"100 x 150", 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> job = Job(c.widthTenths, c.lengthTenths);
        if (c.formName) {
            auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
            dm->dmFields |= DM_FORMNAME;
            lstrcpynW(dm->dmFormName, c.formName, CCHFORMNAME);
        }
        ASSERT_TRUE(SetPrinterDword(kQueue430, L"PPDataFlags", c.flags));
        std::wstring text;
        DWORD needed = 0;
        EXPECT_EQ(Query(&job, &text, &needed), c.refusal == nullptr);
        EXPECT_EQ(text, c.refusal ? c.refusal : L"");
        if (c.refusal) {
            EXPECT_EQ(needed, text.size() + 1);
        }
    }
}

TEST_F(DevQueryPrintTest, MissingOrBrokenDevmodeAndShortBuffers) {
    std::wstring text;
    DWORD needed = 0;
    EXPECT_FALSE(Query(static_cast<DEVMODEW*>(nullptr), &text, &needed));
    EXPECT_EQ(text, L"Invalid data passed to the printer driver.");
    EXPECT_EQ(needed, text.size() + 1);

    // Sizes that do not fit the memory holding the DEVMODE.
    GuardedArea area;
    std::vector<BYTE> broken = Job(500, 300);
    reinterpret_cast<DEVMODEW*>(broken.data())->dmDriverExtra = 60000;
    BYTE* at = area.Tail(broken.size());
    std::memcpy(at, broken.data(), broken.size());
    EXPECT_FALSE(Query(reinterpret_cast<DEVMODEW*>(at), &text));
    EXPECT_EQ(text, L"Invalid data passed to the printer driver.");

    // The text is cut to the buffer and terminated; the needed count is the full length + 1.
    ASSERT_TRUE(SetPrinterDword(kQueue430, L"PPDataFlags", 0));
    std::vector<BYTE> job = Job(500, 300);
    EXPECT_FALSE(Query(&job, &text, &needed, 10));
    EXPECT_EQ(text, L"<Job pape");
    EXPECT_EQ(needed, std::wstring(L"<Job paper> The selected paper has not been loaded.").size() + 1);
}

// ---- Printer data operations --------------------------------------------------------------

TEST(PrinterDataTest, KeyedValuesUseTheirNamesAndExactSizes) {
    Printer printer(kQueue410);
    // Key 7 with three pens: "PenData2", 6 bytes.
    const DWORD key = 7 | (3u << 16);
    const BYTE pens[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(WriteKeyedValue(printer.get(), pens, key));
    const StoredValue stored = StoredPrinterValue(kQueue410, L"PenData2");
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.bytes, std::vector<BYTE>(pens, pens + 6));
    BYTE back[6] = {};
    EXPECT_TRUE(ReadKeyedValue(printer.get(), back, key));
    EXPECT_EQ(std::memcmp(back, pens, 6), 0);

    // A value of another size is not read, and the buffer stays as it was.
    const DWORD twoPens = 7 | (2u << 16);
    BYTE untouched[4] = {9, 9, 9, 9};
    EXPECT_FALSE(ReadKeyedValue(printer.get(), untouched, twoPens));
    EXPECT_EQ(untouched[0], 9);
    // A buffer smaller than the key's size is refused.
    BYTE small[2] = {};
    EXPECT_FALSE(ReadKeyedValue(printer.get(), small, key));
}

TEST(PrinterDataTest, DeleteFormByName) {
    const std::wstring queue = L"Delete queue";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-420"));
    ASSERT_TRUE(InitialisePrinter(queue));
    Printer printer(queue);
    std::unique_ptr<DriverContext> context = CreateContext(printer.get(), nullptr, nullptr, nullptr, 0);
    ASSERT_NE(context, nullptr);
    const std::vector<BYTE> before = StoredPrinterValue(queue, L"FORMS").bytes;

    context->state.permission = 1;
    EXPECT_EQ(DeleteFormByName(*context, u"No such paper"), 0u);
    EXPECT_EQ(StoredPrinterValue(queue, L"FORMS").bytes, before) << "rewritten unchanged";
    EXPECT_EQ(context->state.permission & 1, 0);

    EXPECT_EQ(DeleteFormByName(*context, u"76 mm x 130 mm"), 0u);
    const std::vector<BYTE> after = StoredPrinterValue(queue, L"FORMS").bytes;
    ASSERT_EQ(after.size(), before.size() - sizeof(PaperRecord));
    const auto* papers = reinterpret_cast<const PaperRecord*>(after.data());
    EXPECT_EQ(Text(papers[2].name, 32), L"76 mm x 100 mm") << "the entries behind move up";
}

TEST(PrinterDataTest, FormListWalkReportsTheUserFormLast) {
    ASSERT_TRUE(InitialisePrinter(kQueue310));
    Printer printer(kQueue310);
    std::vector<std::pair<std::wstring, std::size_t>> seen;
    const auto visit = [&](const PaperRecord* paper, std::size_t index) {
        seen.emplace_back(paper ? Text(paper->name, 32) : L"(USER)", index);
    };
    EXPECT_EQ(ReadFormList(printer.get(), visit, 10), std::optional<std::size_t>(3));
    EXPECT_EQ(seen, (std::vector<std::pair<std::wstring, std::size_t>>{
                        {L"72 mm x 130 mm", 1}, {L"72 mm x 100 mm", 2}, {L"(USER)", 3}}));
    seen.clear();
    EXPECT_EQ(ReadFormList(printer.get(), visit, 2), std::optional<std::size_t>(2)) << "the limit counts calls";
    EXPECT_EQ(seen.back().second, 2u);

    const std::wstring queue = L"Walk without forms";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-310"));
    Printer empty(queue);
    EXPECT_FALSE(ReadFormList(empty.get(), visit, 10).has_value());
}

TEST(PrinterDataTest, UiSettingsAreReadOneByOne) {
    const std::wstring queue = L"Settings queue";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-420"));
    Printer printer(queue);
    std::unique_ptr<DriverContext> context = CreateContext(printer.get(), nullptr, nullptr, nullptr, 0);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->state.printerDataFlags, 6u) << "until read";
    context->state.measureUnit = 2;
    ReadUiSettings(printer.get(), *context);
    EXPECT_EQ(context->state.printerDataFlags, 6u);
    EXPECT_EQ(context->state.measureUnit, 0u);

    ASSERT_TRUE(SetPrinterDword(queue, L"PPDataFlags", 16));
    ASSERT_TRUE(SetPrinterDword(queue, L"MeasureUnit", 1));
    const wchar_t folder[] = L"C:\\labels\\log";
    ASSERT_EQ(SetPrinterDataW(printer.get(), const_cast<wchar_t*>(L"LogFolder"), REG_SZ,
                              reinterpret_cast<BYTE*>(const_cast<wchar_t*>(folder)), sizeof folder),
              static_cast<DWORD>(ERROR_SUCCESS));
    ReadUiSettings(printer.get(), *context);
    EXPECT_EQ(context->state.printerDataFlags, 16u);
    EXPECT_EQ(context->state.measureUnit, 1u);
    EXPECT_EQ(Text(context->state.logFolder, 260), folder);

    // A value of the wrong type is treated as missing.
    ASSERT_TRUE(SetPrinterBinary(queue, L"PPDataFlags", "\x02\x00\x00\x00", 4));
    ReadUiSettings(printer.get(), *context);
    EXPECT_EQ(context->state.printerDataFlags, 16u);
}

// ---- Spooler calls of one answer ----------------------------------------------------------
// Every answer reads the printer's current data from the spooler, each value once and in one
// call where it fits: under Wine a spooler call costs far more than all the driver's own work.
// The calls are counted through this program's import table, which the DLL's code linked into
// it (kelno_driverui) calls through; the test's own calls are made outside the counted span.

struct SpoolerCalls {
    int open = 0, getPrinter = 0, getDriver = 0, getData = 0, close = 0;
    bool operator==(const SpoolerCalls&) const = default;
};
std::ostream& operator<<(std::ostream& out, const SpoolerCalls& c) {
    return out << "{open " << c.open << ", GetPrinterW " << c.getPrinter << ", GetPrinterDriverW " << c.getDriver
               << ", GetPrinterDataW " << c.getData << ", close " << c.close << "}";
}

SpoolerCalls g_spoolerCalls;
decltype(&OpenPrinterW) g_openPrinter;
decltype(&GetPrinterW) g_getPrinter;
decltype(&GetPrinterDriverW) g_getPrinterDriver;
decltype(&GetPrinterDataW) g_getPrinterData;
decltype(&ClosePrinter) g_closePrinter;

BOOL WINAPI CountedOpenPrinter(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
    ++g_spoolerCalls.open;
    return g_openPrinter(name, printer, defaults);
}
BOOL WINAPI CountedGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    ++g_spoolerCalls.getPrinter;
    return g_getPrinter(printer, level, buffer, size, needed);
}
BOOL WINAPI CountedGetPrinterDriver(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                                    LPDWORD needed) {
    ++g_spoolerCalls.getDriver;
    return g_getPrinterDriver(printer, environment, level, buffer, size, needed);
}
DWORD WINAPI CountedGetPrinterData(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE buffer, DWORD size,
                                   LPDWORD needed) {
    ++g_spoolerCalls.getData;
    return g_getPrinterData(printer, name, type, buffer, size, needed);
}
BOOL WINAPI CountedClosePrinter(HANDLE printer) {
    ++g_spoolerCalls.close;
    return g_closePrinter(printer);
}

// The spooler calls made while call runs.
SpoolerCalls CountSpoolerCalls(const std::function<void()>& call) {
    const HMODULE self = GetModuleHandleW(nullptr);
    ScopedImportHook open(self, "winspool.drv", "OpenPrinterW", reinterpret_cast<void*>(&CountedOpenPrinter));
    ScopedImportHook get(self, "winspool.drv", "GetPrinterW", reinterpret_cast<void*>(&CountedGetPrinter));
    ScopedImportHook driver(self, "winspool.drv", "GetPrinterDriverW",
                            reinterpret_cast<void*>(&CountedGetPrinterDriver));
    ScopedImportHook data(self, "winspool.drv", "GetPrinterDataW", reinterpret_cast<void*>(&CountedGetPrinterData));
    ScopedImportHook close(self, "winspool.drv", "ClosePrinter", reinterpret_cast<void*>(&CountedClosePrinter));
    EXPECT_TRUE(open.installed() && get.installed() && driver.installed() && data.installed() && close.installed());
    g_openPrinter = reinterpret_cast<decltype(&OpenPrinterW)>(open.original());
    g_getPrinter = reinterpret_cast<decltype(&GetPrinterW)>(get.original());
    g_getPrinterDriver = reinterpret_cast<decltype(&GetPrinterDriverW)>(driver.original());
    g_getPrinterData = reinterpret_cast<decltype(&GetPrinterDataW)>(data.original());
    g_closePrinter = reinterpret_cast<decltype(&ClosePrinter)>(close.original());
    g_spoolerCalls = {};
    call();
    return g_spoolerCalls;
}

TEST(SpoolerReadsTest, EachAnswerReadsEveryValueOnceInOneCall) {
    const std::wstring queue = L"Spooler reads";
    ASSERT_TRUE(AddQueue(queue, L"Tavolen MX-420"));
    ASSERT_TRUE(InitialisePrinter(queue));
    Printer printer(queue);
    ASSERT_TRUE(printer);
    wchar_t* name = const_cast<wchar_t*>(queue.c_str());
    std::vector<wchar_t> names(6 * 64);
    std::vector<BYTE> out(kDevmodeSize);
    // A caller's form name the list lacks: the merge falls back to the installed form, which the
    // current-form choice asks for as well.
    std::vector<BYTE> unknownForm = QueryDevmode(queue);
    auto* request = reinterpret_cast<DEVMODEW*>(unknownForm.data());
    request->dmFields = DM_FORMNAME;
    lstrcpynW(request->dmFormName, L"No such stock", CCHFORMNAME);
    request->dmPaperWidth = request->dmPaperLength = 1;

    const auto properties = [&](HANDLE handle, DEVMODEW* in) {
        DocumentPropertyHeader header{};
        header.cbSize = sizeof header;
        header.hPrinter = handle;
        header.pszPrinterName = name;
        header.pdmIn = in;
        header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
        header.fMode = DM_OUT_BUFFER | (in ? DM_IN_BUFFER : 0);
        return DocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(&header));
    };
    // What every answer reads: PRINTER_INFO_2 (name and DEVMODE), the driver (data file),
    // "FORMS" and "InstalledForm"; by name the printer is opened and closed as well.
    const SpoolerCalls byHandle{0, 1, 1, 2, 0}, byName{1, 1, 1, 2, 1};
    const struct {
        const char* what;
        std::function<bool()> answer;
        SpoolerCalls expected;
    } cases[] = {
        {"DC_PAPERNAMES by name",
         [&] { return kelno::DeviceCapabilities(nullptr, name, DC_PAPERNAMES, names.data(), nullptr) == 6; }, byName},
        {"DC_PAPERNAMES with a handle",
         [&] { return kelno::DeviceCapabilities(printer.get(), name, DC_PAPERNAMES, names.data(), nullptr) == 6; },
         byHandle},
        {"default DEVMODE", [&] { return properties(printer.get(), nullptr) == 1; }, byHandle},
        {"DEVMODE merged with an unknown form", [&] { return properties(printer.get(), request) == 1; }, byHandle},
        {"default DEVMODE by name", [&] { return properties(nullptr, nullptr) == 1; }, byName},
    };
    for (const auto& c : cases) {
        bool answered = false;
        EXPECT_EQ(CountSpoolerCalls([&] { answered = c.answer(); }), c.expected) << c.what;
        EXPECT_TRUE(answered) << c.what;
    }
}

// ---- Model database -----------------------------------------------------------------------

TEST(ModelDatabaseTest, DriverNameWithoutBlankKeepsTheDataFileValues) {
    ASSERT_TRUE(InstallPackageDriver(L"TavolenMX"));
    const std::wstring queue = L"Unsplit queue";
    ASSERT_TRUE(AddQueue(queue, L"TavolenMX"));
    DebugOutputCapture capture;
    for (int i = 0; i < 2; ++i) {
        LONG result = 0;
        const std::vector<BYTE> dm = QueryDevmode(queue, nullptr, &result);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(Public(dm).dmPaperWidth, 0) << "no paper list: USER without a size";
    }
    // The data file's maximum length (2286 mm), not a model's.
    EXPECT_EQ(DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_MAXEXTENT, nullptr, nullptr), (22860 << 16) | 1080);
    capture.Settle();
    // Every load reports it, also when the result comes from the process's earlier load.
    EXPECT_GE(capture.MessagesContaining(L"Unable to split Vender name and Model name from the DeviceName.").size(),
              3u);
}

}  // namespace
}  // namespace kelno::test
