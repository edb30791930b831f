#pragma once
// The printer selection dialog: lists the library's ports (or, for the
// driver's own start modes, the driver's print queues), checks that the chosen
// printer answers and is the served model, and opens it. Start-up also uses
// its operations without showing it when the port comes from the command line.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "connection/VXC.h"
#include "framework/LangResourceTable.h"
#include "framework/StaticItem.h"
#include "framework/UtilitySettings.h"
#include "connection/SelectLangDlg.h"
#include "win/Handles.h"
#include "win/Window.h"

constexpr wchar_t kInstancePropertyName[] = L"VX-R500_UTILITY_VX-R500";

// Model query on printer-information item 117 through the port of an entry
// (registered and opened for it, closed after): 24 served model, 9 sister
// model, -1 unknown (also without a library or communication object).
int32_t QueryModelVariant(VXC* comm, PrinterEntry* entry);

class CPrinterSelectDlg : public CDialog {
public:
  // comm may be null (file mode): every printer call then answers kVxcNotBound.
  CPrinterSelectDlg(HINSTANCE instance, VXC* comm);
  ~CPrinterSelectDlg() override;

  UtilitySettings settings = {};  // the owner's copy; start-up copies it back after OK

  void SetDriverName(const wchar_t* name) { driverName_ = name ? name : L""; }
  void SetQueueName(const wchar_t* name) { queueName_ = name ? name : L""; }
  PrinterEntry* FindEntryByPort(const wchar_t* portName);
  void SelectEntry(const PrinterEntry* entry);
  VXCRESULT CheckEntry(PrinterEntry* entry, int checkModel);
  VXCRESULT OpenEntry(PrinterEntry* entry);
  VXCRESULT ConnectionResult() const { return connectionResult_; }
  bool GetSelectedQueue(wchar_t (&buffer)[kTextUnits]) const;

  // Runs the dialog modally; IDOK or IDCANCEL.
  INT_PTR Run(HWND owner);

  int32_t QueryModelVariant(PrinterEntry* entry) { return ::QueryModelVariant(Comm(), entry); }

protected:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCommand(int id, int code, HWND control) override;
  void OnOK() override;
  void OnCancel() override;

private:
  struct QueueRow {
    std::wstring queueName;
    PrinterEntry* entry = nullptr;
    std::unique_ptr<PrinterEntry> owned;  // entry made from the queue alone
  };

  bool QueueListing() const { return !driverName_.empty(); }
  void RefreshEntries();
  void RefreshQueues();
  void FillList();
  // Refreshes and refills the list with its redrawing switched off.
  void RefillList();
  bool LoadLanguage();
  void WriteLanguage() const;
  void EnableSelectionButtons(bool enable);
  void OnAddPort();
  void OnDeletePort();
  void OnSelectLanguage();
  // The entry of the selected row, or null.
  PrinterEntry* SelectedEntry() const;
  std::wstring KindColumnText(const PrinterEntry& entry) const;
  std::wstring SpoolerPortText(const PrinterEntry& entry) const;
  VXC* Comm() const { return comm_; }
  void Warn(int message, const wchar_t* fallback, const wchar_t* arg = nullptr);

  HINSTANCE instance_;
  VXC* comm_;
  VXCRESULT connectionResult_ = kVxcNotBound;
  CLangResourceTable texts_;      // "PRT_SELECT_DLG"
  CLangResourceTable portTexts_;  // "PORT_ADD_DLG", handed to port setup
  std::vector<PrinterEntry> entries_;
  std::vector<bool> served_;  // per entry: the library reported it under the sister model's name
  std::wstring driverName_;
  std::wstring queueName_;
  std::vector<QueueRow> queues_;
  CModule spooler_;  // loaded for the queue listing only
  int chosenQueueRow_ = -1;
  bool recoveryTold_ = false;  // the library served its port list from the kept copy
  CStaticItem heading_;          // 1018
  CStaticPictureItem picture_;   // 1027, the printer picture
  CSelectLangDlg langDlg_;
};
