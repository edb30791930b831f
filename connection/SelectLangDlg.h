#pragma once
// The language selection dialog of the printer selection: a drop-down list of
// the languages the language file offers (item data: the language id). Its
// result is the langId and langIdText of its settings copy; the owner copies
// them back and writes SETTING.INI.

#include <windows.h>

#include "framework/LangResourceTable.h"
#include "framework/UtilitySettings.h"
#include "win/Window.h"

class CSelectLangDlg : public CDialog {
public:
  CLangResourceTable texts;       // "SELECT_LANG_DLG"
  UtilitySettings settings = {};  // the owner's copy

  // Loads the texts for the copy's language (English when that file is missing).
  void LoadTexts();
  // Runs the dialog modally; IDOK or IDCANCEL.
  INT_PTR Run(HINSTANCE instance, HWND owner);
  // The display name of a language in the loaded texts, empty when unknown.
  std::wstring LanguageName(int32_t langId) const { return texts.GetComboItemText(langId); }

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
};
