#pragma once
// The install page's USB arrival refresh, without windows: which device notifications matter,
// when the USB list counts as changed, and the polling timer's state (idle, or polling with a
// tick count). The page runs the scans, the timer and the debug lines this decides.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelno {

inline constexpr unsigned kRefreshTimerId = 1001;
inline constexpr unsigned kRefreshIntervalMs = 200;
inline constexpr int kRefreshMaxTicks = 15;

// Device-change events and broadcast types the page handles.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;         // DBT_DEVICEARRIVAL
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE
inline constexpr std::uint32_t kDeviceInterfaceBroadcast = 5;   // DBT_DEVTYP_DEVICEINTERFACE

// A GUID as its four fields.
struct InterfaceClassId {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::array<std::uint8_t, 8> data4;
    friend bool operator==(const InterfaceClassId&, const InterfaceClassId&) = default;
};

enum class NotifiedClass { usbDevice, usbPrinter, comPort, other };
NotifiedClass ClassifyInterfaceClass(const InterfaceClassId& id);

// Whether a scan changed the USB list: another count than the last change recorded, or another
// snapshot text.
bool UsbListChanged(std::uint32_t lastCount, std::uint32_t newCount, std::u16string_view oldSnapshot,
                    std::u16string_view newSnapshot);

enum class TimerCommand { none, start, kill };

// What one event asks of the page: the timer command and the debug line to write (empty: none).
struct RefreshStep {
    TimerCommand timer = TimerCommand::none;
    std::string line;
};

// Idle, or polling (timer 1001 running) with the ticks since it was (re)started.
class UsbRefreshTimer {
public:
    bool Active() const { return active_; }
    int Ticks() const { return ticks_; }

    // After the immediate rescan of a USB printer arrival: (re)start the timer.
    RefreshStep OnPrinterArrival();
    // After the rescan of a USB removal (either class): stop polling.
    RefreshStep OnRemoval(std::uint32_t lastUsbCount);
    // A tick begins: counted before its rescan.
    void BeginTick() { ++ticks_; }
    // The tick's rescan reported changed or not: stop on a change or at the last tick.
    RefreshStep EndTick(bool changed);
    // Next on the page.
    RefreshStep OnWizardNext();
    // Stop polling (also when the page goes): kill the timer when it runs.
    RefreshStep Stop();

private:
    bool active_ = false;
    int ticks_ = 0;
};

}  // namespace kelno
