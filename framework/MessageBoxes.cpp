#include "framework/MessageBoxes.h"

const wchar_t kUtilityTitle[] = L"VX-R500 Utility";

namespace {
const wchar_t kDefaultSaveQuestion[] = L"Do you want to save your changes to the settings to the printer?";
}

int ShowInfoMessage(HWND owner, const wchar_t* text) {
  return MessageBoxW(owner, text ? text : L"Settings were changed successfully.", kUtilityTitle,
                     MB_OK | MB_ICONINFORMATION);
}

int ShowWarningMessage(HWND owner, const wchar_t* text) {
  return MessageBoxW(owner, text ? text : L"Failed to change settings.", kUtilityTitle,
                     MB_OK | MB_ICONWARNING);
}

int AskSaveChanges(const wchar_t* title, HWND owner, const wchar_t* text) {
  return MessageBoxW(owner, text ? text : kDefaultSaveQuestion, title ? title : kUtilityTitle,
                     MB_YESNO | MB_ICONQUESTION);
}

int AskSaveChanges(HWND owner, const wchar_t* text) {
  return MessageBoxW(owner, text ? text : kDefaultSaveQuestion, kUtilityTitle,
                     MB_YESNOCANCEL | MB_ICONQUESTION);
}
