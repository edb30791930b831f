#pragma once
// The port setup dialog ("Add Port"): the user describes a new connection to
// the printer (serial, parallel, USB, Ethernet or Bluetooth), may test it and
// may start the maker's tools. It ends with OK only when the printer answers
// and is the served model; the entry it built is then its result.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "connection/PortSetupRules.h"
#include "connection/VXC.h"
#include "framework/LangResourceTable.h"
#include "framework/UtilitySettings.h"
#include "win/Window.h"

// Messages a tool's thread sends to the dialog.
constexpr UINT WM_VX_BT_TOOL_STARTED = WM_USER + 100;
constexpr UINT WM_VX_BT_TOOL_ENDED = WM_USER + 110;
constexpr UINT WM_VX_NET_TOOL = WM_USER + 400;  // wParam 1 started, 0 ended

class CToolWaitDlg;

class CCommunicationSettingDlg : public CDialog {
public:
  // texts: the "PORT_ADD_DLG" table, or null (the template's own texts stay).
  CCommunicationSettingDlg(HINSTANCE instance, const UtilitySettings& settings, VXC* comm,
                           const CLangResourceTable* texts);
  ~CCommunicationSettingDlg() override;

  INT_PTR Run(HWND owner);
  const PrinterEntry& Result() const { return result_; }

  int32_t SelectedInterface() const { return interface_; }
  uint32_t StoredAddress() const { return address_; }

protected:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code, HWND control) override;
  void OnOK() override;

private:
  static constexpr uint32_t kFirstCapacity = 128;

  void SelectInterface(int32_t iface);
  void ApplyLayout(int32_t iface);
  void SearchPorts(bool selecting);
  void SearchNetwork();
  void TakeAddressFromResult();
  void OnAddressChanged();
  void EnableTestAndOk(bool enable);
  std::vector<PrinterEntry> Enumerate(const std::wstring& kind);
  PortSettings CollectSettings();
  bool BuildEntry(PrinterEntry& entry);
  int Test();
  void OnCommunicationTest();
  void StartNetworkTool();
  void StartPortTool();
  void StartBluetoothTool();
  void RunToolThread(const std::wstring& path, UINT startedMessage, WPARAM startedParam, UINT endedMessage,
                     WPARAM endedParam, int waitTemplate);
  void OnBluetoothToolStarted();
  void OnBluetoothToolEnded();
  void OnNetworkTool(WPARAM state);
  void EndWaiting();
  // The waiting dialog's texts for the tool that runs (also when the dialog
  // appears after the tool's start was reported).
  void ApplyWaitingTexts();
  void Warn(int number, const wchar_t* fallback);
  void Inform(int number, const wchar_t* fallback);
  std::wstring String(int number, const wchar_t* fallback) const;

  HINSTANCE instance_;
  UtilitySettings settings_;
  VXC* comm_;
  const CLangResourceTable* texts_;
  int32_t interface_ = -1;
  std::vector<PrinterEntry> found_;     // the last port search's entries
  std::vector<PrinterEntry> netFound_;  // the last network search's entries
  uint32_t address_ = 0;                // first octet in the high byte
  PrinterEntry result_ = {};
  std::wstring networkToolPath_, portToolPath_, bluetoothToolPath_;
  HANDLE toolThread_ = nullptr;
  CToolWaitDlg* waiting_ = nullptr;
  bool toolEnded_ = false;
  bool toolStarted_ = false;
  int waitTemplate_ = 0;
  friend class CToolWaitDlg;
};
