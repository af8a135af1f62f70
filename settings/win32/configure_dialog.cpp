#include "settings/win32/configure_dialog.h"

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

INT_PTR Command(HWND dialog, WPARAM wParam) {
  switch (ClassifyDialogCommand(LOWORD(wParam))) {
    case DialogCommand::kOk:
      WriteSettings(DialogModule(), dialogState.settings);
      EndDialog(dialog, 1);
      return TRUE;
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
