#pragma once
// The wizard's pages other than the install page, and what they share: the state pointer kept
// in each page's user data, the wizard buttons, the answer to Next and Back.
//   AgreementPageProc   dialog 134: licence text (1009), accept (1011) / decline (1012)
//   ModePageProc        dialog 129: install (1002) / uninstall (1003), hidden restart notice
//   DriverListPageProc  dialog 136: the installed drivers of the supported models (1008)
//   UninstallPageProc   dialog 132: the queues (1008) and the removal options
//   ResultPageProc      dialog 135: status line (1042), progress text (1019), the worker
#include <windows.h>

#include <cstdint>

#include "drvwizard/win/wizard_state.h"

namespace kelno {

INT_PTR CALLBACK AgreementPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ModePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DriverListPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK UninstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ResultPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// WM_INITDIALOG of a page: keeps the state handed in the PROPSHEETPAGEW and returns it.
WizardState* KeepPageState(HWND page, LPARAM initParam);
// The state kept by KeepPageState; null before WM_INITDIALOG.
WizardState* PageState(HWND page);
// PSM_SETWIZBUTTONS to the sheet of the page.
void SetWizardButtons(HWND page, std::uint32_t buttons);
// Answers PSN_WIZNEXT / PSN_WIZBACK: a dialog id, kStay (-1) or kNeighbour (0). Returns TRUE
// for the dialog procedure.
INT_PTR AnswerPageChange(HWND page, int target);

// Whether a local queue uses a driver that FindModel knows.
bool SupportedQueueInstalled();

// A string of the program's table ("" when missing), cut to the buffer.
void LoadWizardText(UINT id, wchar_t* out, int capacity);

}  // namespace kelno
