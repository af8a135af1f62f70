#include "settings/win32/configure_dialog.h"

#include <string>

#include "settings/dialog_rules.h"
#include "settings/win32/settings_store.h"

namespace glimmerkin {
namespace {

struct DialogState {
  HINSTANCE module = nullptr;
  Settings settings;
  HWND speedBar = nullptr;
  HWND countBar = nullptr;
};
DialogState dialogState;

HINSTANCE DialogModule() {
  return dialogState.module != nullptr ? dialogState.module : GetModuleHandleA(nullptr);
}

void ShowValues() {
  SetScrollPos(dialogState.speedBar, SB_CTL, dialogState.settings.redrawSpeed, TRUE);
  SetScrollPos(dialogState.countBar, SB_CTL, dialogState.settings.alienCount, TRUE);
}

INT_PTR InitDialog(HWND dialog) {
  dialogState.settings = ValidatedForDialog(ReadSettings(DialogModule()));
  dialogState.speedBar = GetDlgItem(dialog, kSpeedBarId);
  SetScrollRange(dialogState.speedBar, SB_CTL, kMinRedrawSpeed, kMaxRedrawSpeed, FALSE);
  SetScrollPos(dialogState.speedBar, SB_CTL, dialogState.settings.redrawSpeed, TRUE);
  dialogState.countBar = GetDlgItem(dialog, kCountBarId);
  SetScrollRange(dialogState.countBar, SB_CTL, kMinAlienCount, kMaxAlienCount, FALSE);
  SetScrollPos(dialogState.countBar, SB_CTL, dialogState.settings.alienCount, TRUE);
  return TRUE;
}

// Settings that were not kept must not look kept: the user is told, and the
// dialog stays open for another OK or Cancel.
void ReportWriteFailure(HWND dialog, const std::wstring& file) {
  const std::wstring text =
      L"The settings could not be saved in the file\n\n" + file +
      L"\n\nIts folder could not be created, or the file is read-only, or the disk is "
      L"full. Mend that and choose OK again, or Cancel to leave the settings as they were.";
  MessageBoxW(dialog, text.c_str(), L"Glimmerkin", MB_OK | MB_ICONWARNING);
}

INT_PTR Command(HWND dialog, WPARAM wParam) {
  switch (ClassifyDialogCommand(LOWORD(wParam))) {
    case DialogCommand::kOk: {
      std::wstring file;
      if (WriteSettings(DialogModule(), dialogState.settings, file))
        EndDialog(dialog, 1);
      else
        ReportWriteFailure(dialog, file);
      return TRUE;
    }
    case DialogCommand::kCancel:
      EndDialog(dialog, 0);
      return TRUE;
    case DialogCommand::kOther:
      break;
  }
  return FALSE;
}

INT_PTR HorizontalScroll(WPARAM wParam, LPARAM lParam) {
  const bool fromSpeedBar = reinterpret_cast<HWND>(lParam) == dialogState.speedBar;
  if (!ApplyScrollCode(dialogState.settings, fromSpeedBar, LOWORD(wParam), HIWORD(wParam)))
    return TRUE;
  dialogState.settings = ClampToBars(dialogState.settings);
  ShowValues();
  return FALSE;
}

}  // namespace

void SetConfigureDialogModule(HINSTANCE module) { dialogState.module = module; }

}  // namespace glimmerkin

extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return glimmerkin::InitDialog(dialog);
    case WM_COMMAND:
      return glimmerkin::Command(dialog, wParam);
    case WM_HSCROLL:
      return glimmerkin::HorizontalScroll(wParam, lParam);
    default:
      return FALSE;
  }
}
