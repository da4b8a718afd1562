#pragma once
// The few places where the engine asks something of the system that tests must be able to
// answer differently: the processor architecture and the fixed waits. Each entry defaults to
// the real call; a test replaces an entry and restores it (ScopedSeam).
#include <windows.h>
#include <winspool.h>
#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>

namespace kelno {

struct EngineSeams {
    void(WINAPI* getNativeSystemInfo)(LPSYSTEM_INFO info);
    void(WINAPI* sleep)(DWORD milliseconds);

    // Spooler and Plug and Play calls of the driver and queue install (printer_install.cpp,
    // upgrade_readd.cpp) whose failures tests cause.
    decltype(&::AddMonitorW) addMonitorW = &::AddMonitorW;
    decltype(&::AddPrinterDriverW) addPrinterDriverW = &::AddPrinterDriverW;
    decltype(&::AddPrinterW) addPrinterW = &::AddPrinterW;
    decltype(&::EnumPrinterDriversW) enumPrinterDriversW = &::EnumPrinterDriversW;
    decltype(&::LocalAlloc) localAlloc = &::LocalAlloc;  // the driver check's enumeration buffer
    decltype(&::UploadPrinterDriverPackageW) uploadPrinterDriverPackageW = &::UploadPrinterDriverPackageW;
    decltype(&::CM_Locate_DevNodeW) cmLocateDevNodeW = &::CM_Locate_DevNodeW;
    decltype(&::CM_Reenumerate_DevNode) cmReenumerateDevNode = &::CM_Reenumerate_DevNode;
    decltype(&::UpdateDriverForPlugAndPlayDevicesW) updateDriverForPlugAndPlayDevicesW =
        &::UpdateDriverForPlugAndPlayDevicesW;
    // The install worker's reboot question and the command it runs on Yes.
    decltype(&::MessageBoxW) messageBoxW = &::MessageBoxW;
    decltype(&::CreateProcessW) createProcessW = &::CreateProcessW;

    // Removal (removal.cpp); its two questions go through messageBoxW above. The queue's job
    // count and purge, and the driver-package uninstall, whose refusal tests cause.
    decltype(&::GetPrinterW) getPrinterW = &::GetPrinterW;
    decltype(&::SetPrinterW) setPrinterW = &::SetPrinterW;
    decltype(&::SetupUninstallOEMInfW) setupUninstallOemInfW = &::SetupUninstallOEMInfW;
};

// The process-wide table, initialised with the real calls.
EngineSeams& Seams();

// Waits of the engine go through here so that tests can count them or make them instant.
inline void EngineSleep(DWORD milliseconds) { Seams().sleep(milliseconds); }

// Replaces one entry for the lifetime of the object.
template <typename Fn>
class ScopedSeam {
public:
    ScopedSeam(Fn& slot, Fn replacement) : slot_(slot), saved_(slot) { slot_ = replacement; }
    ~ScopedSeam() { slot_ = saved_; }
    ScopedSeam(const ScopedSeam&) = delete;
    ScopedSeam& operator=(const ScopedSeam&) = delete;

private:
    Fn& slot_;
    Fn saved_;
};

}  // namespace kelno
