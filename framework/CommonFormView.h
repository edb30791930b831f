#pragma once
// The base of every setting page: a dialog-based child window in the host's
// page pane that takes its texts from the language files, talks to the
// printer through its worker object and keeps its settings in the data store.

#include <windows.h>

#include <cstdint>

#include "framework/EngineCommCtrl.h"
#include "framework/LangResourceTable.h"
#include "win/Window.h"

class CFormViewCtrl;

struct CommRetryParams {
  int32_t initialWaitMs;
  int32_t retries;
  int32_t retryIntervalMs;
};

class CCommonFormView : public CDialog {
public:
  // baseName names the page's language sections; nothing takes the
  // framework build's own.
  explicit CCommonFormView(int32_t templateId, const wchar_t* baseName = nullptr);
  ~CCommonFormView() override;

  virtual int32_t IsModified();
  virtual int32_t ApplyToPrinter();
  virtual int32_t ApplyToSettingsData();
  virtual void OnPageShown();
  virtual int32_t ReadPrinterSettings();
  virtual int32_t GetCommRetryParams(CommRetryParams* params);
  virtual int32_t WritePluginData(int32_t pluginId, uint8_t* data, uint32_t size);
  virtual int32_t WriteOwnData(uint8_t* data, uint32_t size);
  virtual int32_t ReadPluginData(int32_t pluginId, uint8_t* buffer, uint32_t length);
  virtual int32_t ReadOwnData(uint8_t* buffer, uint32_t length);
  virtual void RequestAppClose();
  // The first showing: both language tables, with the standard response.
  virtual void InitialUpdate();

  // Plug-in build: after a setting that makes the printer restart.
  virtual int32_t GetRestartWaitParams(CommRetryParams* params);
  int32_t ReconnectPrinter();
  int32_t WaitForPrinterRestart(CEngineCommCtrl::ProgressCallback progress);
  int32_t ReopenPort(int32_t openArgument);
  // What a write refused for the printer's status tells the user.
  std::wstring NotReadyText() const;

  // Creates the window hidden as a child of parent, covering its client area.
  bool CreatePage(HWND parent, DWORD parentStyle, const RECT& client);
  // Destroys the window; the page frees itself with it.
  void DestroyPage();

  void SetController(CFormViewCtrl* controller) { controller_ = controller; }
  CFormViewCtrl* Controller() const { return controller_; }
  int32_t TemplateId() const { return templateId_; }
  UtilitySettings* Settings() const;

  CEngineCommCtrl worker;

protected:
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnOK() override {}
  void OnCancel() override {}
  void OnSize();

  CLangResourceTable texts_;  // the page's base name
  CFormViewCtrl* controller_ = nullptr;
  CLangResourceTable appTexts_;  // "VX_UTILITY_APP"
  int32_t templateId_;
  const wchar_t* baseName_;
  int32_t fallbackShown_ = 0;

private:
  bool IsWireless() const;
  bool destroying_ = false;
};

// Adds nothing: the base of the concrete pages.
class CSingleFormView : public CCommonFormView {
public:
  using CCommonFormView::CCommonFormView;
};
