#include "connection/SelectLangDlg.h"

#include "app/resource.h"
#include "connection/PortSetupRules.h"

void CSelectLangDlg::LoadTexts() {
  (void)texts.FindLanguageFile(settings.langDir, settings.langId, kEnglishLangId);
  (void)texts.LoadSection(L"SELECT_LANG_DLG");
}

INT_PTR CSelectLangDlg::Run(HINSTANCE instance, HWND owner) { return DoModal(instance, IDD_SELECT_LANG_DLG, owner); }

BOOL CSelectLangDlg::OnInitDialog() {
  texts.ApplyCaptions(hwnd_);
  texts.ApplyComboBoxItems(hwnd_);
  SetWindowTextW(hwnd_, texts.StringOr(0, L"Select Language").c_str());
  HWND list = Item(IDC_SELLANG_LIST);
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (static_cast<int32_t>(SendMessageW(list, CB_GETITEMDATA, i, 0)) == settings.langId) {
      SendMessageW(list, CB_SETCURSEL, i, 0);
      break;
    }
  }
  return TRUE;
}

void CSelectLangDlg::OnOK() {
  HWND list = Item(IDC_SELLANG_LIST);
  const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
  // No choice keeps the list's "no selection" value: the next lookup falls
  // back to English.
  const auto id = static_cast<int32_t>(index == CB_ERR ? CB_ERR : SendMessageW(list, CB_GETITEMDATA, index, 0));
  settings.langId = id;
  CopyText(settings.langIdText, LanguageIdText(id).c_str());
  LoadTexts();
  End(IDOK);
}
