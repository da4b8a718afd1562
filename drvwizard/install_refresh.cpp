#include "drvwizard/install_refresh.h"

#include <string>

namespace kelno {
namespace {

constexpr InterfaceClassId kUsbDeviceClass{
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr InterfaceClassId kUsbPrinterClass{
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
constexpr InterfaceClassId kComPortClass{0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

constexpr char kLinePrefix[] = "[drvwizard][PortUI][USBRefresh] ";

std::string Line(const std::string& text) { return kLinePrefix + text; }

}  // namespace

NotifiedClass ClassifyInterfaceClass(const InterfaceClassId& id) {
    if (id == kUsbDeviceClass) return NotifiedClass::usbDevice;
    if (id == kUsbPrinterClass) return NotifiedClass::usbPrinter;
    if (id == kComPortClass) return NotifiedClass::comPort;
    return NotifiedClass::other;
}

bool UsbListChanged(std::uint32_t lastCount, std::uint32_t newCount, std::u16string_view oldSnapshot,
                    std::u16string_view newSnapshot) {
    return newCount != lastCount || oldSnapshot != newSnapshot;
}

RefreshStep UsbRefreshTimer::OnPrinterArrival() {
    const bool wasActive = active_;
    ticks_ = 0;
    active_ = true;
    return {TimerCommand::start, Line("event=arrival timer=" + std::string(wasActive ? "reset" : "start") +
                                      " intervalMs=" + std::to_string(kRefreshIntervalMs) +
                                      " maxCount=" + std::to_string(kRefreshMaxTicks))};
}

RefreshStep UsbRefreshTimer::OnRemoval(std::uint32_t lastUsbCount) {
    RefreshStep step = Stop();
    step.line = Line("event=remove count=" + std::to_string(lastUsbCount));
    return step;
}

RefreshStep UsbRefreshTimer::EndTick(bool changed) {
    if (!changed && ticks_ < kRefreshMaxTicks) return {};
    const int ticks = ticks_;
    RefreshStep step = Stop();
    step.line = Line(std::string(changed ? "stop=changed" : "stop=max_count") + " count=" + std::to_string(ticks));
    return step;
}

RefreshStep UsbRefreshTimer::OnWizardNext() {
    const int ticks = ticks_;
    const bool wasActive = active_;
    RefreshStep step = Stop();
    if (wasActive) step.line = Line("stop=wiznext count=" + std::to_string(ticks));
    return step;
}

RefreshStep UsbRefreshTimer::Stop() {
    RefreshStep step;
    if (active_) step.timer = TimerCommand::kill;
    active_ = false;
    ticks_ = 0;
    return step;
}

}  // namespace kelno
