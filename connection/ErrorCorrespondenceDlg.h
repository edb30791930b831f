#pragma once
// The error guidance dialog: what to do about a fatal error (status 3) or an
// auto-cutter error (status 9). Modal, with one OK button.

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/UtilitySettings.h"
#include "win/Window.h"

class CErrorCorrespondenceDlg : public CDialog {
public:
  CErrorCorrespondenceDlg(int32_t status, int32_t langId, const std::wstring& langDir)
      : status_(status), langId_(langId), langDir_(langDir) {}

  INT_PTR Run(HINSTANCE instance, HWND owner);

protected:
  BOOL OnInitDialog() override;

private:
  int32_t status_;
  int32_t langId_;
  std::wstring langDir_;
};

// Shows the dialog for a status of the record's language, owned by owner.
void ShowErrorGuidance(HWND owner, int32_t status, const UtilitySettings& settings);
