#include "drvwizard/win/install_page.h"

#include <commctrl.h>
#include <prsht.h>
#include <winspool.h>

#include <iterator>
#include <optional>
#include <string>

#include "base/text.h"
#include "base/win/boundary.h"
#include "base/win/list_view.h"
#include "base/win/wide_text.h"
#include "common/model_table.h"
#include "common/win/log.h"
#include "common/win/seams.h"
#include "discovery/port_record.h"
#include "discovery/win/BtPrinter.h"
#include "discovery/win/helper.h"
#include "discovery/win/network_discovery.h"
#include "discovery/win/usb_scan.h"
#include "drvwizard/install_port_rows.h"
#include "drvwizard/install_rules.h"
#include "drvwizard/win/install_tcp_config.h"
#include "drvwizard/win/usb_arrival.h"
#include "drvwizard/win/wizard_messages.h"
#include "drvwizard/win/wizard_state.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {

static_assert(IDC_FILTER_USB == kFilterUsbButton && IDC_FILTER_NETWORK == kFilterNetworkButton &&
              IDC_FILTER_BLUETOOTH == kFilterBluetoothButton && IDC_FILTER_COM == kFilterComButton &&
              IDC_FILTER_OTHERS == kFilterOthersButton);
static_assert(IDS_TCP_PORT_INVALID == kMessageTcpPortInvalid && IDS_PRINTER_NAME_EMPTY == kMessagePrinterNameEmpty &&
              IDS_PRINTER_NAME_INVALID == kMessagePrinterNameInvalid);

// The page's filter (a port type, 0 = no spooler ports) and the last wizard buttons it sent.
std::uint16_t PortFilter = kNoPortFilter;
int LastWizardButtons = 0;

namespace {

constexpr int kFilterButtons[] = {IDC_FILTER_USB, IDC_FILTER_NETWORK, IDC_FILTER_BLUETOOTH, IDC_FILTER_COM,
                                  IDC_FILTER_OTHERS};
constexpr int kNetworkControls[] = {IDC_IP_LABEL, IDC_TCP_PORT_LABEL, IDC_IP_ADDRESS, IDC_TCP_PORT};
constexpr UINT kPromptTitle = 125;
constexpr UINT kPortColumnTitle = 114;
constexpr UINT kDescriptionColumnTitle = 115;
constexpr UINT kPortUnavailable = 126;
constexpr UINT kPortSettingTitle = 127;
constexpr char kBrandText[] = "Tavolen";

// True while the page rebuilds its list: the selections it makes then are no user's choice.
bool Rebuilding = false;
// The list has been built once since the page was created.
bool ListBuilt = false;

WizardState* StateOf(HWND page) { return reinterpret_cast<WizardState*>(GetWindowLongPtrW(page, GWLP_USERDATA)); }
HWND PortListView(HWND page) { return GetDlgItem(page, IDC_PORT_LIST); }

std::wstring LoadText(UINT id) {
    wchar_t text[512];
    if (LoadStringW(GetModuleHandleW(nullptr), id, text, static_cast<int>(std::size(text))) <= 0) return L"";
    return text;
}

int ShowPrompt(HWND page, UINT textId, UINT buttons) {
    return seams::Ui().messageBoxW(page, LoadText(textId).c_str(), LoadText(kPromptTitle).c_str(), buttons);
}

void SetButtons(HWND page, int buttons) {
    if (buttons == LastWizardButtons) return;
    LastWizardButtons = buttons;
    PropSheet_SetWizButtons(GetParent(page), buttons);
}

bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
bool NetworkChecked(HWND page) { return IsChecked(page, IDC_FILTER_NETWORK); }
bool BluetoothChecked(HWND page) { return IsChecked(page, IDC_FILTER_BLUETOOTH); }

int CheckedFilterButton(HWND page) {
    for (int id : kFilterButtons)
        if (IsChecked(page, id)) return id;
    return 0;
}

bool ControlVisible(HWND control) { return control && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

std::wstring ControlText(HWND page, int id, std::size_t chars) {
    std::wstring text(chars, L'\0');
    const int length = GetDlgItemTextW(page, id, text.data(), static_cast<int>(chars));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[kRowTextChars];
    CellText(list, row, column, text);
    return text;
}

// ---- the model list ---------------------------------------------------------------------------

void ProposeNameForModelEntry(HWND page) {
    const std::wstring entry = ControlText(page, IDC_MODEL_LIST, kModelEntryChars);
    if (const auto name = ProposedPrinterNameForEntry(U16View(entry)))
        SetDlgItemTextW(page, IDC_PRINTER_NAME, WideString(*name).c_str());
}

void FillModelList(HWND page) {
    HWND models = GetDlgItem(page, IDC_MODEL_LIST);
    for (const ModelRow& row : ModelTable())
        SendMessageW(models, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideString(ModelEntryText(row)).c_str()));
    SendMessageW(models, CB_SETCURSEL, 0, 0);
    if (!ModelTable().empty())
        SetDlgItemTextW(page, IDC_PRINTER_NAME, WideString(ProposedPrinterName(ModelTable().front())).c_str());
}

// Selects the model list's entry of row (exact text) and proposes its queue name.
void ChooseModel(HWND page, const ModelRow& row) {
    HWND models = GetDlgItem(page, IDC_MODEL_LIST);
    const std::wstring entry = WideString(ModelEntryText(row));
    const LRESULT index =
        SendMessageW(models, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
    if (index != CB_ERR) SendMessageW(models, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SetDlgItemTextW(page, IDC_PRINTER_NAME, WideString(ProposedPrinterName(row)).c_str());
}

// ---- the port list ----------------------------------------------------------------------------

void AddColumns(HWND list) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const struct {
        UINT title;
        int width;
    } columns[] = {{kPortColumnTitle, 120}, {kDescriptionColumnTitle, 150}, {0, 0}};
    for (int i = 0; i < 3; ++i) {
        std::wstring title = columns[i].title ? LoadText(columns[i].title) : L"";
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = columns[i].width;
        column.pszText = title.data();
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
}

// Inserts the rows of one list at the top of the list view; keepType 0 keeps every record.
void UpdateLV(HWND page, const PortList& ports, std::uint16_t keepType, bool deviceKnown) {
    HWND list = PortListView(page);
    const RowPlan plan = PlanListRows(ports, keepType);
    if (keepType == kPortTypeBluetooth) {
        for (const DroppedPort& dropped : plan.dropped)
            KELNO_LOG_INFO("[Bluetooth][UpdateLV] decision=drop reason=port_type_mismatch port={} actualPortType={} "
                           "requestedPortType={}",
                           Utf8(dropped.portName), dropped.actualType, dropped.requestedType);
    }
    for (const PortRow& row : plan.insert) {
        const std::wstring port = WideString(row.portName), description = WideString(row.description),
                           type = WideString(PortTypeText(row.portType));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = 0;
        item.pszText = const_cast<wchar_t*>(port.c_str());
        const int index = ListView_InsertItem(list, &item);
        if (index < 0) {
            if (row.portType == kPortTypeBluetooth || keepType == kPortTypeBluetooth)
                KELNO_LOG_INFO("[Bluetooth][UpdateLV] decision=drop reason=listview_insert_failed port={} portType={}",
                               Utf8(row.portName), row.portType);
            continue;
        }
        ListView_SetItemText(list, index, 1, const_cast<wchar_t*>(description.c_str()));
        ListView_SetItemText(list, index, 2, const_cast<wchar_t*>(type.c_str()));
        if (deviceKnown) {
            SelectRow(list, index);
            SetButtons(page, kButtonsBackNext);
        }
    }
}

// What choosing a row does; false when it stopped early (the Bluetooth pairing row, or no
// request to fill).
bool OnLvItemChange(HWND page, int row, bool chosenByUser) {
    WizardState* state = StateOf(page);
    HWND list = PortListView(page);
    if (!state || !state->request || row < 0 || row >= RowCount(list)) return false;
    PrinterInstallEntry& request = *state->request;

    const std::wstring port = Cell(list, row, 0);
    FillRequestFromRow(request, U16View(port), PortFilter);
    EnableWindow(GetDlgItem(page, IDC_PORT_SETTINGS), PortSettingsEnabled(PortFilter));

    if (PortFilter == kPortTypeNetwork && !ReadTcpPortConfig(page, port.c_str()))
        FillNetworkFallback(request, U16View(port));

    if (PortFilter == kPortTypeBluetooth && row == RowCount(list) - 1) {
        // The "Add Bluetooth Printer ..." row: pairing is offered only when the user picks it,
        // never when the page selects it while building the list.
        if (!chosenByUser) return false;
        KELNO_LOG_INFO("[Bluetooth][Installer] action=pair_requested selectedRow={} itemCount={}", row, RowCount(list));
        if (ShowBluetoothPairDialog(page)) {
            KELNO_LOG_INFO("[Bluetooth][Installer] action=pair_dialog_completed next=immediate_refresh "
                           "note=com_port_provisioning_may_be_asynchronous");
            SendDlgItemMessageW(page, IDC_FILTER_BLUETOOTH, BM_CLICK, 0, 0);
        } else {
            KELNO_LOG_INFO("[Bluetooth][Installer] action=pair_dialog_closed next=no_refresh");
        }
        return false;
    }

    const std::wstring description = Cell(list, row, 1);
    if (const ModelRow* model = FindModel(ModelLookupText(U16View(description), PortFilter))) ChooseModel(page, *model);
    return true;
}

void On_WM_PrtChanged(HWND page) {
    HWND list = PortListView(page);
    HWND bluetooth = GetDlgItem(page, IDC_FILTER_BLUETOOTH);
    bool hasUsb, hasNet;
    {
        NetworkPrinterListLock lock;
        hasUsb = UsbDeviceList.head != nullptr;
        hasNet = NetworkPrinterList.head != nullptr;
    }
    const bool deviceKnown = hasUsb || hasNet;
    KELNO_LOG_INFO(
        "[Bluetooth][Installer] refresh_started filterType={} bluetoothSelected={} bluetoothControlVisible={} "
        "bluetoothControlEnabled={} rowsBeforeClear={} hasUsb={} hasNet={}",
        PortFilter, BluetoothChecked(page), ControlVisible(bluetooth), bluetooth && IsWindowEnabled(bluetooth),
        RowCount(list), hasUsb, hasNet);

    Rebuilding = true;
    DeleteAllRows(list);
    const FilterChoice choice = ChooseFilter(CheckedFilterButton(page), deviceKnown, PortFilter);
    if (choice.checkUsb) CheckDlgButton(page, IDC_FILTER_USB, BST_CHECKED);
    PortFilter = choice.filter;
    EnableWindow(GetDlgItem(page, IDC_PORT_SETTINGS), PortSettingsEnabled(PortFilter));

    if (PortFilter != kNoPortFilter) UpdateLV(page, SpoolerPortList, PortFilter, deviceKnown);
    if (PortFilter == kPortTypeBluetooth) {
        KELNO_LOG_INFO("[Bluetooth][Installer] source=SetupAPI providerPolicy=default");
        ListBluetoothPrinters(list);
    } else {
        KELNO_LOG_INFO(
            "[Bluetooth][Installer] decision=skip_bluetooth_list reason=bluetooth_filter_not_selected filterType={}",
            PortFilter);
    }
    UpdateLV(page, UsbDeviceList, 0, deviceKnown);
    {
        NetworkPrinterListLock lock;
        UpdateLV(page, NetworkPrinterList, 0, deviceKnown);
    }
    Rebuilding = false;
    ListBuilt = true;

    OnLvItemChange(page, 0, false);
    ShowWindow(GetDlgItem(page, IDC_CONNECT_HINT), deviceKnown ? SW_HIDE : SW_SHOW);
    SetButtons(page, PageButtons(FirstSelectedRow(list) >= 0, NetworkChecked(page)));
    KELNO_LOG_INFO(
        "[Bluetooth][Installer] refresh_finished filterType={} bluetoothSelected={} finalRows={} selectedRows={}",
        PortFilter, BluetoothChecked(page), RowCount(list), SelectedRows(list).size());
}

// ---- commands ---------------------------------------------------------------------------------

void ShowNetworkControls(HWND page, bool shown) {
    for (int id : kNetworkControls) ShowWindow(GetDlgItem(page, id), shown ? SW_SHOW : SW_HIDE);
}

void ShowComPortSettings(HWND page) {
    const WizardState* state = StateOf(page);
    if (!state || !state->request) return;
    std::wstring port = FieldString(state->request->portName);
    if (const std::size_t colon = port.rfind(L':'); colon != std::wstring::npos) port.resize(colon);

    COMMCONFIG config{};
    config.dwSize = sizeof(config);
    DWORD size = sizeof(config);
    if (!GetDefaultCommConfigW(port.c_str(), &config, &size)) {
        seams::Ui().messageBoxW(page, LoadText(kPortUnavailable).c_str(), LoadText(kPortSettingTitle).c_str(), MB_OK);
        return;
    }
    if (CommConfigDialogW(port.c_str(), page, &config)) SetDefaultCommConfigW(port.c_str(), &config, size);
}

void OnCommand(HWND page, int id, int code) {
    if (code == BN_CLICKED && PortFilterOfButton(id) != kNoPortFilter) {
        ShowNetworkControls(page, NetworkControlsShown(id));
        On_WM_PrtChanged(page);
        return;
    }
    if (id == IDC_MODEL_LIST && code == CBN_SELCHANGE) {
        ProposeNameForModelEntry(page);
        return;
    }
    if (id == IDC_PORT_SETTINGS && code == BN_CLICKED) ShowComPortSettings(page);
}

// ---- initialisation and the sheet's notifications ---------------------------------------------

void On_WM_InitDialog(HWND page, const PROPSHEETPAGEW* sheetPage) {
    SetWindowLongPtrW(page, GWLP_USERDATA, sheetPage ? sheetPage->lParam : 0);
    PortFilter = kNoPortFilter;
    LastWizardButtons = 0;
    ListBuilt = false;
    StartDiscoveryPoll(DiscoverySocketList);
    RegisterALLDeviceNotification(page);

    SetDlgItemTextW(page, IDC_TCP_PORT, L"9100");
    SendDlgItemMessageW(page, IDC_TCP_PORT, EM_LIMITTEXT, 5, 0);
    AddColumns(PortListView(page));
    FillModelList(page);
    CheckDlgButton(page, IDC_SET_DEFAULT, BST_CHECKED);
    ShowNetworkControls(page, false);
    EnableWindow(GetDlgItem(page, IDC_PORT_SETTINGS), FALSE);
    ComScan();

    HWND bluetooth = GetDlgItem(page, IDC_FILTER_BLUETOOTH);
    KELNO_LOG_INFO("[Bluetooth][Installer] initialized providerName={} providerPolicy={} bluetoothControlExists={} "
                   "bluetoothControlVisible={} bluetoothControlEnabled={}",
                   kBrandText, "default", bluetooth != nullptr, ControlVisible(bluetooth),
                   bluetooth != nullptr && IsWindowEnabled(bluetooth));
}

void OnSetActive(HWND page) {
    WizardState* state = StateOf(page);
    // One zeroed entry, kept across visits; the uninstall page's array (the user went there first)
    // is replaced, so that none of its queue's fields reach the install.
    if (state && state->mode == kWizardModeInstall && (!state->request || state->requestCount != 1))
        AllocateWizardRequest(*state, 1);
    // Without a change the rescan rebuilds nothing; the first visit builds the list anyway.
    if (!RescanUsbAndCompare(page) && !ListBuilt) On_WM_PrtChanged(page);
    BroadcastDiscovery(page, DiscoverySocketList);
    LastWizardButtons = 0;
    SetButtons(page, PageButtons(FirstSelectedRow(PortListView(page)) >= 0, NetworkChecked(page)));
}

// Reads what the page shows for Next.
InstallPageInput ReadInput(HWND page) {
    InstallPageInput input;
    input.modelText = U16String(ControlText(page, IDC_MODEL_LIST, kRowTextChars));
    input.printerName = U16String(ControlText(page, IDC_PRINTER_NAME, 300));
    input.setAsDefault = IsChecked(page, IDC_SET_DEFAULT);
    input.networkChecked = NetworkChecked(page);
    DWORD address = 0;
    SendDlgItemMessageW(page, IDC_IP_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    input.ipAddress = {
        static_cast<std::uint8_t>(FIRST_IPADDRESS(address)), static_cast<std::uint8_t>(SECOND_IPADDRESS(address)),
        static_cast<std::uint8_t>(THIRD_IPADDRESS(address)), static_cast<std::uint8_t>(FOURTH_IPADDRESS(address))};
    input.tcpPortText = U16String(ControlText(page, IDC_TCP_PORT, 16));
    HWND list = PortListView(page);
    if (const int row = FirstSelectedRow(list); row >= 0)
        input.row = SelectedRow{U16String(Cell(list, row, 0)), U16String(Cell(list, row, 1))};
    return input;
}

// Next: the result page (135), or -1 to stay.
LONG_PTR OnWizardNext(HWND page) {
    StopRefreshTimerOnNext(page);
    WizardState* state = StateOf(page);
    if (!state || !state->request) return -1;
    const ModelVariantQuery queryVariant = [](std::u16string_view port) -> std::optional<std::u16string> {
        wchar_t model[kModelVariantChars] = L"";
        if (!ResolveDeviceModelVariant(WideString(port).c_str(), model)) return std::nullopt;
        return U16String(model);
    };
    const NextOutcome outcome = ValidateAndFillRequest(ReadInput(page), *state->request, queryVariant);
    state->setAsDefault = outcome.setAsDefault ? 1 : 0;
    switch (outcome.verdict) {
        case NextVerdict::proceed: return IDD_RESULT_PAGE;
        case NextVerdict::askUnsupported:
            return ShowPrompt(page, static_cast<UINT>(outcome.messageId), MB_OKCANCEL | MB_ICONQUESTION) == IDOK
                       ? IDD_RESULT_PAGE
                       : -1;
        case NextVerdict::stay:
            ShowPrompt(page, static_cast<UINT>(outcome.messageId), MB_OK | MB_ICONWARNING);
            return -1;
    }
    return -1;
}

BOOL OnNotify(HWND page, const NMHDR* header) {
    if (header->idFrom == IDC_PORT_LIST && header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (Rebuilding || !(change->uChanged & LVIF_STATE)) return FALSE;
        constexpr UINT kChosen = LVIS_SELECTED | LVIS_FOCUSED;
        const bool chosen = (change->uNewState & kChosen) == kChosen && (change->uOldState & kChosen) != kChosen;
        if (!chosen && (change->uOldState & LVIS_SELECTED) == (change->uNewState & LVIS_SELECTED)) return FALSE;
        const bool ranToEnd = chosen && OnLvItemChange(page, change->iItem, true);
        SetButtons(page, ranToEnd || NetworkChecked(page) ? kButtonsBackNext : kButtonsBack);
        return FALSE;
    }
    switch (header->code) {
        case PSN_SETACTIVE:
            OnSetActive(page);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_WIZNEXT: SetWindowLongPtrW(page, DWLP_MSGRESULT, OnWizardNext(page)); return TRUE;
        case PSN_WIZBACK: {
            const WizardState* state = StateOf(page);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, state && state->noSupportedPrinter ? IDD_AGREEMENT_PAGE : 0);
            return TRUE;
        }
        default: return FALSE;
    }
}

void OnDestroy(HWND page) {
    StopRefreshTimer(page);
    UnregisterDeviceNotifications();
    FreeAll(UsbDeviceList);
    FreeNetworkPrinterList();
    FreeAll(SpoolerPortList);
    LastUsbCount = 0;
}

}  // namespace

INT_PTR CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<INT_PTR>("install page", FALSE, [&]() -> INT_PTR {
        switch (message) {
            case WM_INITDIALOG: On_WM_InitDialog(page, reinterpret_cast<const PROPSHEETPAGEW*>(lParam)); return TRUE;
            case WM_COMMAND: OnCommand(page, LOWORD(wParam), HIWORD(wParam)); return TRUE;
            case WM_NOTIFY: return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
            case WM_TIMER: OnRefreshTimer(page, wParam); return TRUE;
            case WM_DEVICECHANGE:
                On_WM_DeviceChange(page, wParam, lParam, PortFilter == kPortTypeBluetooth);
                return TRUE;
            case WM_PORTS_CHANGED: On_WM_PrtChanged(page); return TRUE;
            case WM_DISCOVERY_REPLY:
                OnDiscoveryAnswer(reinterpret_cast<const std::uint8_t*>(lParam), static_cast<std::size_t>(wParam));
                return TRUE;
            case WM_DESTROY: OnDestroy(page); return FALSE;
            default: return FALSE;
        }
    });
}

}  // namespace kelno
