#include "drvwizard/win/engine_texts.h"

#include <iterator>

#include "resources/drvwizard/resource_ids.h"

namespace kelno {
namespace {

constexpr UINT kIds[] = {
    IDS_INSTALLING_DRIVER_AT_PORT,   // installingDriverAtPort
    IDS_DRIVER_INSTALLED,            // driverInstalled
    IDS_DRIVER_INSTALL_FAILED,       // driverInstallFailed
    IDS_ADD_PORT,                    // addPort
    IDS_UPDATE_PORT,                 // updatePort
    IDS_REMOVE_PORT,                 // removePort
    IDS_OK_LINE,                     // okLine
    IDS_FAILED_LINE,                 // failedLine
    IDS_REMOVE_PRINTER,              // removePrinter
    IDS_REMOVE_PRINTER_DRIVER,       // removePrinterDriver
    IDS_DELETE_DRIVER_PACKAGE,       // deleteDriverPackage
    IDS_FORCE_REMOVE_PACKAGE,        // forceRemovePackage
    IDS_PROMPT,                      // prompt
    IDS_UNINSTALL_DISCONNECT_FIRST,  // uninstallDisconnectFirst
};
static_assert(std::size(kIds) == kEngineTextCount, "one id for every engine text");

}  // namespace

const UINT* WizardEngineTextIds() { return kIds; }

}  // namespace kelno
