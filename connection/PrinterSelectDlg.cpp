#include "connection/PrinterSelectDlg.h"

#include <commctrl.h>
#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/resource.h"
#include "connection/CommunicationSettingDlg.h"
#include "connection/ErrorCorrespondenceDlg.h"
#include "connection/PrinterEntryRules.h"
#include "connection/RetailDevices.h"
#include "framework/MessageBoxes.h"
#include "framework/PrinterSettingsList.h"
#include "framework/TextFormat.h"
#include "printerinfo/PrnInfoLibrary.h"
#include "win/Dpi.h"
#include "win/Handles.h"

namespace {

const wchar_t kModelName[] = L"VX-R500";
const wchar_t kSisterModelName[] = L"VX-R200";

bool NamesEqual(const wchar_t* a, const wchar_t* b) { return std::wcscmp(a, b) == 0; }

// Windows XP (NT 5.1) or later; the language choice needs it.
bool IsWindowsXPOrLater() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto get = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW version = {sizeof(version)};
  if (!get || get(&version) != 0) return true;
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return false;
  return version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1);
}

}  // namespace

CPrinterSelectDlg::CPrinterSelectDlg(HINSTANCE instance, VXC* comm) : instance_(instance), comm_(comm) {}

CPrinterSelectDlg::~CPrinterSelectDlg() = default;

void CPrinterSelectDlg::RefreshEntries() {
  VXC* comm = Comm();
  if (!comm) return;
  const int32_t driverFlag = QueueListing() ? 1 : 0;
  uint32_t count = 0;
  // A list the library recovered from its copy is listed as any other; the
  // user is told once, since changes made after that copy are gone.
  const VXCRESULT listed = comm->VXC_EnumPort(static_cast<PrinterEntry*>(nullptr), 0u, &count, driverFlag);
  if (!VxcSucceeded(listed)) return;
  if (listed == kVxcRecovered && !recoveryTold_ && hwnd_) {
    recoveryTold_ = true;
    Warn(5, L"The list of printer ports was damaged and has been restored from its last good copy.\nCheck the "
            L"ports listed, and add any port that is missing.");
  }
  std::vector<PrinterEntry> fresh(count);  // zero-filled
  uint32_t filled = count;
  if (!VxcSucceeded(comm->VXC_EnumPort(fresh.data(), count, &filled, driverFlag))) return;
  fresh.resize(std::min(filled, count));
  // The library reports the served model under the sister model's name: the
  // entry takes the model's own name, and only such entries are listed. The
  // flag is kept beside the entries, so that a later refresh that fails
  // lists the same rows again.
  served_.assign(fresh.size(), false);
  for (std::size_t i = 0; i < fresh.size(); ++i) {
    if (!NamesEqual(fresh[i].deviceName, kSisterModelName)) continue;
    CopyText(fresh[i].deviceName, kModelName);
    served_[i] = true;
  }
  entries_ = std::move(fresh);
}

void CPrinterSelectDlg::RefreshQueues() {
  if (!QueueListing()) return;
  queues_.clear();
  // The spooler is loaded only for the queue listing: its start-up (it
  // connects to the system's print service) would otherwise slow every start
  // of the utility.
  if (!spooler_) spooler_.reset(LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!spooler_) return;
  using EnumPrintersFn = BOOL(WINAPI*)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
  const auto enumPrinters = GetProc<EnumPrintersFn>(spooler_.get(), "EnumPrintersW");
  if (!enumPrinters) return;
  DWORD needed = 0, returned = 0;
  enumPrinters(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
  if (needed == 0) return;
  std::vector<BYTE> buffer(needed);
  if (!enumPrinters(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned)) return;
  const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i) {
    const PRINTER_INFO_2W& p = printers[i];
    const std::wstring queue = p.pPrinterName ? p.pPrinterName : L"";
    const std::wstring driver = p.pDriverName ? p.pDriverName : L"";
    const std::wstring port = p.pPortName ? p.pPortName : L"";
    if (!queueName_.empty() && queueName_ != queue) continue;
    if (driver.find(driverName_) == std::wstring::npos) continue;
    if (driver.find(L" Receipt5") == std::wstring::npos && driver.find(L" Label5") == std::wstring::npos) continue;
    QueueRow row;
    row.queueName = queue;
    for (PrinterEntry& entry : entries_) {
      if (PortPathTail(entry.portPath) == port) {
        row.entry = &entry;
        break;
      }
    }
    if (!row.entry) {
      row.owned = std::make_unique<PrinterEntry>();
      CopyText(row.owned->portName, port.c_str());
      CopyText(row.owned->deviceName, driver.c_str());
      row.owned->origin = 3;
      row.entry = row.owned.get();
    }
    queues_.push_back(std::move(row));
  }
}

PrinterEntry* CPrinterSelectDlg::FindEntryByPort(const wchar_t* portName) {
  const std::wstring_view name = portName ? portName : L"";
  RefreshEntries();
  RefreshQueues();
  PrinterEntry* found = nullptr;
  for (PrinterEntry& entry : entries_) {
    if (PortPathTail(entry.portPath) == name) {
      found = &entry;
      break;
    }
  }
  for (std::size_t i = 0; i < queues_.size(); ++i) {
    if (PortPathTail(queues_[i].entry->portPath).substr(0, name.size()) == name) {
      chosenQueueRow_ = static_cast<int>(i);
      break;
    }
  }
  if (found) SelectEntry(found);
  return found;
}

void CPrinterSelectDlg::SelectEntry(const PrinterEntry* entry) {
  if (!entry) return;
  std::memmove(&settings.selectedPrinter, entry, sizeof(PrinterEntry));
  if (const int32_t kind = InterfaceKindOfText(entry->interfaceKindText)) settings.interfaceKind = kind;
}

VXCRESULT CPrinterSelectDlg::CheckEntry(PrinterEntry* entry, int checkModel) {
  if (!entry) return kVxcNoEntry;
  VXC* comm = Comm();
  const VXCRESULT result =
      comm ? Responsive([&] { return comm->VXC_CommunicationTest(entry); }) : kVxcNotBound;
  connectionResult_ = result;
  if (checkModel == 0 || result != kVxcOk) return result;

  const bool match = QueueListing() ? MatchesModelFamily(entry->deviceName)
                                    : NamesEqual(entry->deviceName, kSisterModelName);
  if (match) {
    if (Responsive([&] { return QueryModelVariant(entry); }) == 24) return result;
    Comm()->VXC_RemovePort(entry);
  }
  Warn(2, L"The connected printer is not %s.", kModelName);
  return static_cast<VXCRESULT>(-67);
}

int32_t QueryModelVariant(VXC* comm, PrinterEntry* entry) {
  if (!comm || !entry) return -1;
  comm->VXC_AddPort(entry);
  // Right after the communication test the printer may still be letting go
  // of that connection and turn this one away, or stay silent, for a moment:
  // a query that got no answer is asked again. An answer, and a library
  // that is missing, are taken at their word.
  std::optional<int32_t> value;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (attempt > 0) Sleep(500);
    for (int open = 0; open < 3 && comm->Open(1) == kVxcPortInUse; ++open) Sleep(250);
    PrnInfoOutcome outcome = PrnInfoOutcome::NotLoaded;
    // The one-shot use unloads the library before the port is closed.
    value = ReadPrinterInfoItem(comm, kPrnInfoItemModelVariant, L"PrnInfoBroker.dll", &outcome);
    comm->Close();
    if (value || outcome == PrnInfoOutcome::NotLoaded) break;
  }
  return ClassifyModelVariant(value);
}

VXCRESULT CPrinterSelectDlg::OpenEntry(PrinterEntry* entry) {
  if (!entry) return kVxcNoEntry;
  VXC* comm = Comm();
  if (!comm) return kVxcNotBound;
  const VXCRESULT r = Responsive([&] {
    VXCRESULT step = comm->VXC_SetPort(entry);
    if (step == kVxcOk) step = comm->VXC_GetPort(entry);
    if (step == kVxcOk) step = comm->Open(1);
    if (step == kVxcOk) step = comm->VXC_Initialize();
    return step;
  });
  // A port that answered the test but cannot be opened is no connection:
  // whoever starts from the connection result must not take it for one.
  // (In use keeps its own answer; its callers say so and stop.)
  if (r != kVxcOk && r != kVxcPortInUse) connectionResult_ = r;
  return r;
}

bool CPrinterSelectDlg::GetSelectedQueue(wchar_t (&buffer)[kTextUnits]) const {
  std::fill(std::begin(buffer), std::end(buffer), L'\0');
  if (chosenQueueRow_ < 0 || chosenQueueRow_ >= static_cast<int>(queues_.size())) return false;
  CopyText(buffer, queues_[chosenQueueRow_].queueName.c_str());
  return true;
}

INT_PTR CPrinterSelectDlg::Run(HWND owner) { return DoModal(instance_, IDD_PRT_SELECT_DLG, owner); }

void CPrinterSelectDlg::Warn(int message, const wchar_t* fallback, const wchar_t* arg) {
  const std::wstring text = texts_.MessageOr(message, fallback);
  const std::wstring shown = arg ? FormatText(text, {arg}) : text;
  ShowWarningMessage(hwnd_, shown.c_str());
}

BOOL CPrinterSelectDlg::OnInitDialog() {
  chosenQueueRow_ = -1;
  langDlg_.settings = settings;
  langDlg_.LoadTexts();
  SetPropW(hwnd_, kInstancePropertyName, reinterpret_cast<HANDLE>(instance_));
  SetWindowTextW(hwnd_, FormatText(L"%s Utility", {kModelName}).c_str());

  heading_.backgroundColour = GetSysColor(COLOR_BTNFACE);
  heading_.Attach(Item(IDC_PRTSEL_HEADING));
  if (picture_.Attach(Item(IDC_PRTSEL_PICTURE))) picture_.SetBitmap(GetModuleHandleW(nullptr), IDB_PRINTER);

  HWND list = Item(IDC_PRTSEL_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  RECT rc = {};
  GetClientRect(list, &rc);
  const int perPage = std::max(1, ListView_GetCountPerPage(list));
  const int rowHeight = std::max(1, static_cast<int>((rc.bottom - rc.top) / perPage * 120 / 100));
  HIMAGELIST rows = ImageList_Create(1, rowHeight, ILC_COLOR, 1, 1);
  ListView_SetImageList(list, rows, LVSIL_SMALL);

  if (!LoadLanguage()) {
    WriteLanguage();
    End(IDCANCEL);
    return TRUE;
  }
  if (!IsWindowsXPOrLater()) EnableWindow(Item(IDC_PRTSEL_SELECT_LANGUAGE), FALSE);
  if (settings.startMode == static_cast<int32_t>(StartMode::Vtd5) ||
      settings.startMode == static_cast<int32_t>(StartMode::Vtd5Logo)) {
    ShowWindow(Item(IDC_PRTSEL_ADD_PORT), SW_HIDE);
    ShowWindow(Item(IDC_PRTSEL_DELETE_PORT), SW_HIDE);
  }
  return TRUE;
}

bool CPrinterSelectDlg::LoadLanguage() {
  const int32_t found = texts_.FindLanguageFile(settings.langDir, settings.langId, kEnglishLangId);
  // Shown on every load: the user may pick another missing language again.
  bool fallbackShown = false;
  if (!RespondToLanguageLookup(found, settings, fallbackShown, found == CLangResourceTable::kNotFound ? nullptr : hwnd_,
                               nullptr)) {
    return false;
  }
  (void)portTexts_.FindLanguageFile(settings.langDir, settings.langId, kEnglishLangId);
  (void)portTexts_.LoadSection(L"PORT_ADD_DLG");
  (void)texts_.LoadSection(L"PRT_SELECT_DLG");
  texts_.ApplyCaptions(hwnd_);
  texts_.ApplyComboBoxItems(hwnd_);
  texts_.ApplyListColumns(hwnd_);

  std::wstring languageName = langDlg_.LanguageName(settings.langId);
  if (languageName.empty()) languageName = L"English";
  SetDlgItemTextW(hwnd_, IDC_PRTSEL_SELECTED_LANGUAGE,
                  FormatText(L"%s: %s", {texts_.StringOr(5, L"Select"), languageName}).c_str());

  RefillList();
  return true;
}

void CPrinterSelectDlg::WriteLanguage() const {
  const std::wstring ini = std::wstring(settings.exeDir) + L"SETTING.INI";
  WritePrivateProfileStringW(L"LANGUAGE", L"LANGID", settings.langIdText, ini.c_str());
}

std::wstring CPrinterSelectDlg::KindColumnText(const PrinterEntry& entry) const {
  const std::wstring_view kind = entry.interfaceKindText;
  if (kind == L"COM") return texts_.StringOr(1, L"Serial");
  if (kind == L"LPT") return texts_.StringOr(2, L"Parallel");
  if (kind == L"USB") return texts_.StringOr(3, L"USB");
  if (kind == L"NET") return texts_.StringOr(4, L"NET");
  if (kind == L"BT") return texts_.StringOr(6, L"Bluetooth");
  return {};
}

std::wstring CPrinterSelectDlg::SpoolerPortText(const PrinterEntry& entry) const {
  const std::wstring port = SpoolerPortOfPath(entry.portPath);
  if (port.empty()) return port;
  const std::wstring device = RetailDeviceOfPort(port);
  return device.empty() ? port : port + L"(" + device + L")";
}

void CPrinterSelectDlg::FillList() {
  HWND list = Item(IDC_PRTSEL_LIST);
  ListView_DeleteAllItems(list);
  std::vector<std::pair<PrinterEntry*, std::wstring>> rows;
  if (QueueListing()) {
    for (QueueRow& row : queues_) rows.emplace_back(row.entry, row.queueName);
  } else {
    for (PrinterEntry& entry : entries_) rows.emplace_back(&entry, L"");
  }
  HDC dc = GetDC(list);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0));
  int widest = 0;
  int widestSpooler = 0;
  int index = 0;
  {
  CSelectObject select(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    auto& [entry, queueName] = rows[r];
    if (QueueListing()) {
      if (NamesEqual(entry->deviceName, kSisterModelName)) CopyText(entry->deviceName, kModelName);
    } else if (r >= served_.size() || !served_[r]) {
      continue;
    }
    std::wstring name = QueueListing() ? queueName : std::wstring(entry->deviceName);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = name.data();
    item.lParam = reinterpret_cast<LPARAM>(entry);
    const int at = ListView_InsertItem(list, &item);
    if (at < 0) continue;
    std::wstring kind = KindColumnText(*entry);
    std::wstring port = entry->portName;
    std::wstring spooler = SpoolerPortText(*entry);
    ListView_SetItemText(list, at, 1, kind.data());
    ListView_SetItemText(list, at, 2, port.data());
    ListView_SetItemText(list, at, 3, spooler.data());
    SIZE size = {};
    GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
    GetTextExtentPoint32W(dc, spooler.c_str(), static_cast<int>(spooler.size()), &size);
    widestSpooler = std::max(widestSpooler, static_cast<int>(size.cx));
    ++index;
  }
  // The last column's heading, which it must keep room for as well.
  wchar_t heading[128] = {};
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT;
  column.pszText = heading;
  column.cchTextMax = static_cast<int>(std::size(heading));
  if (ListView_GetColumn(list, 3, &column)) {
    SIZE size = {};
    GetTextExtentPoint32W(dc, heading, static_cast<int>(wcslen(heading)), &size);
    widestSpooler = std::max(widestSpooler, static_cast<int>(size.cx));
  }
  }  // the old font goes back into the DC before it is released
  ReleaseDC(list, dc);
  const int dpi = WindowDpi(list);
  ListView_SetColumnWidth(list, 0, std::max(ScaleToDpi(100, dpi), static_cast<int>(std::lround(widest * 1.2))));
  // No horizontal scroll bar for columns that fit: the last one gives up the
  // room its texts do not need.
  RECT client = {};
  GetClientRect(list, &client);
  const int others = ListView_GetColumnWidth(list, 0) + ListView_GetColumnWidth(list, 1) + ListView_GetColumnWidth(list, 2);
  const int last = ListView_GetColumnWidth(list, 3);
  const int fitted = FittedLastColumnWidth(client.right - client.left - GetSystemMetrics(SM_CXVSCROLL), others, last,
                                           widestSpooler + ScaleToDpi(12, dpi));
  if (fitted != last) ListView_SetColumnWidth(list, 3, fitted);
  if (index > 0) {
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EnableSelectionButtons(true);
  } else {
    EnableSelectionButtons(false);
  }
}

void CPrinterSelectDlg::EnableSelectionButtons(bool enable) {
  EnableWindow(Item(IDOK), enable);
  EnableWindow(Item(IDC_PRTSEL_DELETE_PORT), enable);
}

INT_PTR CPrinterSelectDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    if (header->idFrom == IDC_PRTSEL_LIST) {
      if (header->code == LVN_ITEMCHANGED) {
        EnableSelectionButtons(ListView_GetNextItem(Item(IDC_PRTSEL_LIST), -1, LVNI_SELECTED) >= 0);
        return TRUE;
      }
      if (header->code == NM_DBLCLK && reinterpret_cast<const NMITEMACTIVATE*>(lp)->iItem >= 0) {
        OnOK();
        return TRUE;
      }
    }
    return FALSE;
  }
  if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == heading_.Hwnd() && heading_.Hwnd()) {
    return reinterpret_cast<INT_PTR>(heading_.OnControlColour(msg, reinterpret_cast<HDC>(wp)));
  }
  if (msg == WM_DESTROY) RemovePropW(hwnd_, kInstancePropertyName);
  return CDialog::OnMessage(msg, wp, lp);
}

void CPrinterSelectDlg::OnCommand(int id, int code, HWND control) {
  if (code == BN_CLICKED && id == IDC_PRTSEL_ADD_PORT) {
    OnAddPort();
  } else if (code == BN_CLICKED && id == IDC_PRTSEL_DELETE_PORT) {
    OnDeletePort();
  } else if (code == BN_CLICKED && id == IDC_PRTSEL_SELECT_LANGUAGE) {
    OnSelectLanguage();
  } else {
    CDialog::OnCommand(id, code, control);
  }
}

PrinterEntry* CPrinterSelectDlg::SelectedEntry() const {
  HWND list = Item(IDC_PRTSEL_LIST);
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0) return nullptr;
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!ListView_GetItem(list, &item)) return nullptr;
  return reinterpret_cast<PrinterEntry*>(item.lParam);
}

void CPrinterSelectDlg::RefillList() {
  HWND list = Item(IDC_PRTSEL_LIST);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  RefreshEntries();
  RefreshQueues();
  FillList();
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void CPrinterSelectDlg::OnAddPort() {
  CCommunicationSettingDlg setup(instance_, settings, Comm(), &portTexts_);
  if (setup.Run(hwnd_) != IDOK) return;
  PrinterEntry entry = setup.Result();
  if (entry.interfaceKindText[0] == L'\0' || !Comm() || !VxcSucceeded(Comm()->VXC_AddPort(&entry))) return;
  RefillList();
  HWND list = Item(IDC_PRTSEL_LIST);
  const int rows = ListView_GetItemCount(list);
  for (int row = 0; row < rows; ++row) {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(list, &item)) continue;
    const auto* listed = reinterpret_cast<const PrinterEntry*>(item.lParam);
    if (listed && NamesEqual(listed->interfaceKindText, entry.interfaceKindText) &&
        NamesEqual(listed->portName, entry.portName)) {
      ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(list, row, FALSE);
      break;
    }
  }
}

void CPrinterSelectDlg::OnDeletePort() {
  const std::wstring question = texts_.MessageOr(1, L"Do you really want to delete the selected port?");
  // The utility's Yes/No box: there is nothing to cancel beside No.
  if (AskSaveChanges(nullptr, hwnd_, question.c_str()) != IDYES) return;
  PrinterEntry* entry = SelectedEntry();
  if (!entry || !Comm()) return;
  // The library compares kind, port and path: the entry as listed.
  PrinterEntry removed = *entry;
  if (VxcSucceeded(Comm()->VXC_RemovePort(&removed))) RefillList();
}

void CPrinterSelectDlg::OnSelectLanguage() {
  langDlg_.settings = settings;
  langDlg_.LoadTexts();
  if (langDlg_.Run(instance_, hwnd_) != IDOK) return;
  settings.langId = langDlg_.settings.langId;
  CopyText(settings.langIdText, langDlg_.settings.langIdText);
  if (!LoadLanguage()) {
    WriteLanguage();
    End(IDCANCEL);
  }
}

void CPrinterSelectDlg::OnCancel() {
  WriteLanguage();
  End(IDCANCEL);
}

void CPrinterSelectDlg::OnOK() {
  HWND list = Item(IDC_PRTSEL_LIST);
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  chosenQueueRow_ = row;
  if (row < 0) {
    Warn(0, L"Please select the printer you want to setup.");
    return;
  }
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  ListView_GetItem(list, &item);
  auto* entry = reinterpret_cast<PrinterEntry*>(item.lParam);

  const VXCRESULT r = CheckEntry(entry, 1);
  if (QueueListing() && r != 1) {
    SelectEntry(entry);
    WriteLanguage();
    End(IDOK);
  }
  if (r == static_cast<VXCRESULT>(-67)) return;
  if (r == kVxcPortInUse) {
    Warn(4, L"Cannot launch the printer because it is in use by another application.");
    return;
  }
  auto* list3 = settings.printerSettingsList;
  const bool saved = list3 && list3->PrinterDataFileExists(entry->deviceName, entry->portName) == 1;
  if (r != kVxcOk) {
    Warn(3, L"Cannot communicate with the printer.");
    if (!saved) return;
  }
  const VXCRESULT o = OpenEntry(entry);
  if (o == kVxcPortInUse) {
    Warn(4, L"Cannot launch the printer because it is in use by another application.");
    return;
  }
  if (o != kVxcOk) {
    if (r == kVxcOk) Warn(3, L"Cannot communicate with the printer.");
    if (!saved) {
      if (Comm()) Comm()->Close();
      return;
    }
  }
  SelectEntry(entry);
  WriteLanguage();
  int32_t status = -1;
  if (Comm()) Comm()->GetStatus(&status);
  if (status == 3 || status == 9) {
    // A printer that needs the user's hands first: say what to do, and stay.
    ShowErrorGuidance(hwnd_, status, settings);
    if (Comm()) Comm()->Close();
    return;
  }
  End(IDOK);
}
