// Writes the stand-in INF files of the package:
//   make_inf kelnov6 OUTPUT    the INF of the driver without the language monitor
//   make_inf vamtv3 OUTPUT     the version-3 INF, which also carries the language monitor
// The models and their hardware identifiers come from the model table and the checksum code.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "base/text.h"
#include "discovery/usb_hardware_id.h"
#include "common/model_table.h"

namespace {

constexpr const char* kArchitectures[] = {"NTamd64", "NTx86", "NTarm", "NTarm64"};
constexpr const char* kEnvironmentFolders[] = {"amd64", "i386", "arm", "arm64"};

std::string ModelLines() {
    std::string lines;
    for (const auto& row : kelno::ModelTable()) {
        const std::string brand = kelno::U16ToAscii(row.brand), model = kelno::U16ToAscii(row.model);
        const std::string id = kelno::U16ToAscii(kelno::UsbHardwareIdForAsciiDescription(brand + model));
        lines += "\"" + brand + " " + model + "\" = KELNO_DRIVER," + id + "\r\n";
    }
    return lines;
}

std::string MakeInf(bool version3) {
    std::string s;
    s += "; Tavolen MX series thermal label printers, 203 dpi.\r\n";
    s += "; STAND-IN made by the build (tools/host/make_inf): it names the driver files, models and\r\n";
    s += "; hardware identifiers of the package; the vendor's signed INF and catalog take its place.\r\n\r\n";
    s += "[Version]\r\n";
    s += "Signature=\"$Windows NT$\"\r\n";
    s += "Class=Printer\r\n";
    s += "ClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\n";
    s += "Provider=Tavolen\r\n";
    s += "DriverVer=09/15/2026,2026.9.15.1\r\n";
    s += "PnpLockdown=1\r\n\r\n";

    s += "[Manufacturer]\r\nTavolen=Tavolen";
    for (auto arch : kArchitectures) s += std::string(",") + arch;
    s += "\r\n\r\n";
    for (auto arch : kArchitectures) s += std::string("[Tavolen.") + arch + "]\r\n" + ModelLines() + "\r\n";

    s += "[KELNO_DRIVER]\r\nCopyFiles=KELNO_FILES\r\n";
    s += "DriverFile=kelnodrv6.dll\r\nConfigFile=kelnodrv6ui.dll\r\nDataFile=kelnodrv6.dat\r\n";
    s += "DefaultDataType=RAW\r\n";
    if (version3) s += "LanguageMonitor=\"Language Monitor,kelnomon.dll\"\r\n";
    s += "\r\n[KELNO_FILES]\r\nkelnodrv6.dll\r\nkelnodrv6ui.dll\r\nkelnodrv6.dat\r\n";
    if (version3) s += "kelnomon.dll\r\n";
    s += "\r\n[DestinationDirs]\r\nDefaultDestDir=66000\r\n\r\n";

    // One source disk per environment folder; the data file lies in "dat" beside them.
    for (size_t i = 0; i < std::size(kEnvironmentFolders); ++i) {
        const std::string env = kEnvironmentFolders[i];
        s += "[SourceDisksNames." + env + "]\r\n1=%DiskName%,,," + env + "\r\n2=%DiskName%,,,dat\r\n\r\n";
        s += "[SourceDisksFiles." + env + "]\r\nkelnodrv6.dll=1\r\nkelnodrv6ui.dll=1\r\nkelnodrv6.dat=2\r\n";
        if (version3) s += "kelnomon.dll=1\r\n";
        s += "\r\n";
    }
    s += "[Strings]\r\nDiskName=\"Tavolen printer driver for windows\"\r\n";
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::string(argv[1]) != "kelnov6" && std::string(argv[1]) != "vamtv3")) {
        std::cerr << "usage: make_inf kelnov6|vamtv3 OUTPUT\n";
        return 2;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << MakeInf(std::string(argv[1]) == "vamtv3");
    if (!out) {
        std::cerr << "make_inf: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
