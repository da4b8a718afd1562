// kelno_demo: the main job's program. Run in a fresh throwaway Wine prefix that holds the
// package folder, it does what a fresh install does with the driver files and prints what
// went where.
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/install_state.h"
#include "engine/log.h"
#include "engine/model_table.h"
#include "engine/staging.h"
#include "engine/system_paths.h"

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void Show(const std::wstring& source, const std::wstring& destination) {
    const long long size = FileSize(destination);
    std::printf("  %s\n    -> %s  %s\n", Utf8(source).c_str(), Utf8(destination).c_str(),
                size < 0 ? "(missing)" : (std::to_string(size) + " bytes").c_str());
}

}  // namespace

int wmain() {
    const std::string logPath = kelno::DefaultLogPath();
    kelno::StartLog(logPath);
    kelno::InitWizardPackageFolder();
    const std::wstring package = kelno::PackageFolder();
    const std::wstring environment = kelno::GetDriverEnvironment();
    wchar_t driverDir[MAX_PATH] = L"", systemDir[MAX_PATH] = L"";
    kelno::GetDriverDirectory(driverDir, MAX_PATH);
    kelno::GetSystemDirectoryPath(systemDir, MAX_PATH);

    const auto& model = kelno::ModelTable()[0];
    const bool withMonitor = (model.flags & kelno::kModelUsesLanguageMonitor) != 0;
    std::printf("Package folder:     %s\n", Utf8(package).c_str());
    std::printf("Driver environment: %s\n", Utf8(environment).c_str());
    std::printf("Driver directory:   %s\n", Utf8(driverDir).c_str());
    std::printf("System directory:   %s\n\n", Utf8(systemDir).c_str());
    std::printf("Staging the driver files of \"%s\" (language monitor: %s):\n",
                Utf8(reinterpret_cast<const wchar_t*>(kelno::ModelDisplayName(model).c_str())).c_str(),
                withMonitor ? "yes" : "no");

    kelno::ResetInstallResult();
    const bool staged = kelno::StageDriverFiles(withMonitor);
    const std::wstring dir = driverDir;
    for (const wchar_t* file : {kelno::kRenderDll, kelno::kUiDll})
        Show(package + L"\\" + environment + L"\\" + file, dir + L"\\" + file);
    Show(package + L"\\dat\\" + kelno::kDataFile, dir + L"\\" + kelno::kDataFile);
    if (withMonitor) {
        Show(package + L"\\" + environment + L"\\" + kelno::kMonitorDll, dir + L"\\" + kelno::kMonitorDll);
        Show(package + L"\\" + environment + L"\\" + kelno::kMonitorDll, std::wstring(systemDir) + L"\\" + kelno::kMonitorDll);
    }
    std::printf("\nResult: %s (LastInstallError %d, LastInstallSystemError %lu)\n", staged ? "staged" : "FAILED",
                kelno::LastInstallError.load(), kelno::LastInstallSystemError.load());
    kelno::EndLog();

    std::printf("\nLog %s:\n", logPath.c_str());
    if (FILE* log = std::fopen(logPath.c_str(), "r")) {
        char line[2048];
        while (std::fgets(line, sizeof line, log)) std::printf("  %s", line);
        std::fclose(log);
    }
    return staged ? 0 : 1;
}
