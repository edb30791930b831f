#pragma once
// The message boxes every user message goes through, titled "VX-R500 Utility".

#include <windows.h>

extern const wchar_t kUtilityTitle[];  // "VX-R500 Utility"

// Information icon, OK. A null text shows "Settings were changed successfully.".
int ShowInfoMessage(HWND owner, const wchar_t* text);
// Warning icon, OK. A null text shows "Failed to change settings.".
int ShowWarningMessage(HWND owner, const wchar_t* text);
// Question icon; returns the button pressed. The utility's form: Yes and No,
// a null title gives the default title. The plug-in form: Yes, No and Cancel.
int AskSaveChanges(const wchar_t* title, HWND owner, const wchar_t* text);
int AskSaveChanges(HWND owner, const wchar_t* text);
