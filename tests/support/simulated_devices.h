#pragma once
// Simulated devices in the test prefix's SetupAPI database: USB printers bound to the USB
// printing class (an interface with its "Device Parameters" values) and COM port devices of the
// Ports class (hardware identifier, friendly name, "PortName", and a COM port interface). What
// Wine needs to list them as present is done here: the device is registered, and the interface's
// "Linked" value is set. Also the registry and spooler-port helpers of the discovery tests.
#include <windows.h>
#include <setupapi.h>

#include <memory>
#include <optional>
#include <string>

namespace kelno::test {

extern const GUID kUsbPrintInterfaceClass;  // {28D78FAD-5A12-11D1-AE5B-0000F803A8C2}
extern const GUID kComPortInterfaceClass;   // {86E0D1E0-8089-11D0-9CE4-08003E301F73}
extern const GUID kPortsSetupClass;         // {4D36E978-E325-11CE-BFC1-08002BE10318}

// A USB printer; a missing value is not written.
struct UsbPrinterSetup {
    std::wstring instanceId;  // "USB\\VID_2D37&PID_0001\\SER123"
    std::optional<std::wstring> portDescription;
    std::optional<DWORD> portNumber;
    std::optional<std::wstring> serialNumber;
};

// A device of the Ports setup class; a missing value is not written.
struct ComPortSetup {
    std::wstring instanceId;  // "BTHENUM\\{00001101-...}_LOCALMFG&0002\\7&1A2B3C4D&0&001122AABBCC_C00000000"
    std::optional<std::wstring> hardwareId;
    std::optional<std::wstring> friendlyName;
    std::optional<std::wstring> portName;  // "PortName" in the device's hardware key
    DWORD portNameType = REG_SZ;           // REG_DWORD stores the number 5 instead of the text
    bool withInterface = true;             // a present COM port interface
};

// A device created in the prefix; removed again (with its interface) when the object is destroyed.
class SimulatedDevice {
public:
    SimulatedDevice(std::wstring instanceId, const GUID& setupClass, const GUID& interfaceClass);
    ~SimulatedDevice();
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    // True when every creation step succeeded; otherwise Failure() names the step and error.
    bool Ok() const { return failure_.empty(); }
    const std::wstring& Failure() const { return failure_; }
    const std::wstring& InstanceId() const { return instanceId_; }
    // The interface's device path as the system reports it (Wine: all lower case); empty when
    // the device has no interface.
    const std::wstring& DevicePath() const { return devicePath_; }
    // The interface's "Device Parameters" key path under HKLM; empty without interface.
    std::wstring InterfaceParametersKey() const;

private:
    friend std::unique_ptr<SimulatedDevice> AddUsbPrinter(const UsbPrinterSetup& setup);
    // A USB printer of vendor 2D37 with this serial number that reports model (its port
    // description) on port number port ("USB%03u").
    std::unique_ptr<SimulatedDevice> AddUsbPrinterOfModel(const std::wstring& serial, DWORD port,
                                                          const std::wstring& model);
    friend std::unique_ptr<SimulatedDevice> AddComPort(const ComPortSetup& setup);
    // Creates and registers the device; data receives it.
    bool Create(HDEVINFO set, SP_DEVINFO_DATA& data);
    // Creates the interface of interfaceClass_, reads its path and marks it present.
    bool CreateInterface(HDEVINFO set, SP_DEVINFO_DATA& data, SP_DEVICE_INTERFACE_DATA& deviceInterface);
    void Fail(const wchar_t* step, DWORD error);

    std::wstring instanceId_;
    GUID setupClass_;
    GUID interfaceClass_;
    std::wstring devicePath_;
    std::wstring failure_;
    bool registered_ = false;
};

std::unique_ptr<SimulatedDevice> AddUsbPrinter(const UsbPrinterSetup& setup);
// A USB printer of vendor 2D37 with this serial number that reports model (its port
// description) on port number port ("USB%03u").
std::unique_ptr<SimulatedDevice> AddUsbPrinterOfModel(const std::wstring& serial, DWORD port,
                                                      const std::wstring& model);
std::unique_ptr<SimulatedDevice> AddComPort(const ComPortSetup& setup);

// Registry values under HKEY_LOCAL_MACHINE; the key is created when missing.
bool SetMachineValue(const std::wstring& keyPath, const std::wstring& name, DWORD type, const void* data, DWORD bytes);
bool SetMachineString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& value);
bool DeleteMachineValue(const std::wstring& keyPath, const std::wstring& name);
bool DeleteMachineTree(const std::wstring& keyPath);

// Ports of the spooler's local port monitor ("Local Port"), added and deleted through its
// XcvData "AddPort" and "DeletePort". True when the port exists afterwards (or is gone).
bool AddLocalPort(const std::wstring& portName);
bool DeleteLocalPort(const std::wstring& portName);

}  // namespace kelno::test
