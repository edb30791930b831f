#include "tests/support/GuiDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <fstream>

#include "win/Text.h"

namespace gui {

namespace {

constexpr DWORD kPollMs = 50;

std::wstring UniqueTempPath(const wchar_t* prefix) {
  static std::atomic<unsigned> counter{0};
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring base = temp;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  return base + L"\\" + prefix + std::to_wstring(GetCurrentProcessId()) + L"_" +
         std::to_wstring(GetTickCount64()) + L"_" + std::to_wstring(counter++);
}

}  // namespace

std::wstring TestBinDir() { return FolderOf(ModulePath()); }

std::wstring BuildProgramDir() {
  wchar_t full[MAX_PATH] = {};
  const std::wstring relative = TestBinDir() + L"..\\..\\program";
  GetFullPathNameW(relative.c_str(), MAX_PATH, full, nullptr);
  return full;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(from + L"\\" + name, to + L"\\" + name);
    } else {
      CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

CProgramFolder::CProgramFolder(const std::wstring& source) : path_(UniqueTempPath(L"vxprog")) {
  CopyTree(source, path_);
}

CProgramFolder::~CProgramFolder() { RemoveTree(path_); }

void CProgramFolder::Remove(const std::wstring& relative) const {
  const std::wstring target = File(relative);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(target);
  else DeleteFileW(target.c_str());
}

void CProgramFolder::WriteText(const std::wstring& relative, const std::string& content) const {
  HANDLE file = CreateFileW(File(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

void CProgramFolder::Copy(const std::wstring& from, const std::wstring& relative) const {
  CopyFileW(from.c_str(), File(relative).c_str(), FALSE);
}

CTempFolder::CTempFolder() : path_(UniqueTempPath(L"vxtmp")) { CreateDirectoryW(path_.c_str(), nullptr); }

CTempFolder::~CTempFolder() { RemoveTree(path_); }

std::unique_ptr<CProcess> CProcess::Start(const std::wstring& exe, const std::wstring& arguments,
                                          const std::wstring& workingDir) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup = {sizeof(startup)};
  auto process = std::unique_ptr<CProcess>(new CProcess());
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &process->info_)) {
    return nullptr;
  }
  return process;
}

CProcess::~CProcess() {
  Kill();
  if (info_.hThread) CloseHandle(info_.hThread);
  if (info_.hProcess) CloseHandle(info_.hProcess);
}

bool CProcess::IsRunning() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool CProcess::WaitForExit(DWORD timeoutMs, DWORD* code) const {
  if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  if (code) GetExitCodeProcess(info_.hProcess, code);
  return true;
}

void CProcess::Kill() {
  if (IsRunning()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 10000);
  }
}

namespace {

// The first of a window's descendants that the test accepts.
HWND FindDescendant(HWND parent, const std::function<bool(HWND)>& accept) {
  struct Find {
    const std::function<bool(HWND)>& accept;
    HWND found;
  } find{accept, nullptr};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Find*>(lp);
        if (!f->accept(child)) return TRUE;
        f->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

}  // namespace

HWND FindVisibleChild(HWND parent, int id) {
  return FindDescendant(parent, [id](HWND child) { return GetDlgCtrlID(child) == id && IsWindowVisible(child); });
}

HWND FindChildOfClass(HWND parent, const std::wstring& className) {
  return FindDescendant(parent, [&className](HWND child) { return ClassOf(child) == className; });
}

std::wstring WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 2000, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

std::vector<WindowInfo> TopLevelWindows(DWORD processId) {
  struct Context {
    DWORD pid;
    std::vector<WindowInfo> found;
  } context{processId, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Context*>(lp);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if ((c->pid == 0 || pid == c->pid) && IsWindowVisible(hwnd)) {
          // The title without sending a message: the window's thread may be busy.
          wchar_t title[512] = {};
          InternalGetWindowText(hwnd, title, static_cast<int>(std::size(title)));
          c->found.push_back({hwnd, ClassOf(hwnd), title});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&context));
  return context.found;
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (cond()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(kPollMs);
  }
}

HWND WaitForWindow(DWORD processId, const std::function<bool(const WindowInfo&)>& pred, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (const WindowInfo& w : TopLevelWindows(processId)) {
          if (pred(w)) {
            found = w.hwnd;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

bool IsMessageBox(HWND hwnd) {
  // Visible: before it shows, the box may not hold its text yet.
  return ClassOf(hwnd) == L"#32770" && GetDlgItem(hwnd, 0xFFFF) != nullptr && IsWindowVisible(hwnd);
}

std::wstring MessageBoxText(HWND hwnd) { return WindowText(GetDlgItem(hwnd, 0xFFFF)); }

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  return WaitForWindow(processId, [](const WindowInfo& w) { return IsMessageBox(w.hwnd); }, timeoutMs);
}

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

MutexState StateOfMutex(const std::wstring& name) {
  // A plain system thread: the C++ runtime's threads keep handles of their
  // own for a while, which the tests' handle counts would take for a leak.
  struct Probe {
    const std::wstring* name;
    MutexState state;
  } probe{&name, MutexState::Missing};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        auto* probe = static_cast<Probe*>(p);
        HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, probe->name->c_str());
        if (!mutex) return 0;
        const DWORD result = WaitForSingleObject(mutex, 0);
        const bool taken = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        probe->state = taken ? MutexState::Free : MutexState::Held;
        if (taken) ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
      },
      &probe, 0, nullptr);
  if (!thread) return MutexState::Missing;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return probe.state;
}

std::ostream& operator<<(std::ostream& out, MutexState state) {
  switch (state) {
    case MutexState::Missing: return out << "missing";
    case MutexState::Held: return out << "held";
    case MutexState::Free: return out << "free";
  }
  return out << "?";
}

bool SaveWindowPicture(HWND window, const std::wstring& path) {
  RECT rc = {};
  if (!GetWindowRect(window, &rc)) return false;
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
  GdiFlush();
  SelectObject(memory, old);
  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + imageBytes;
  bool ok = false;
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
         WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
         WriteFile(out, bits, imageBytes, &written, nullptr);
    CloseHandle(out);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

namespace {

// Memory in the process that owns a window, for messages whose parameters
// point at structures: the window's process reads them, not ours.
class CRemoteBuffer {
public:
  CRemoteBuffer(HWND window, std::size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~CRemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  CRemoteBuffer(const CRemoteBuffer&) = delete;
  CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;
  explicit operator bool() const { return address_ != nullptr; }
  BYTE* At(std::size_t offset) const { return static_cast<BYTE*>(address_) + offset; }
  bool Write(std::size_t offset, const void* data, std::size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && WriteProcessMemory(process_, At(offset), data, size, &done) && done == size;
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && ReadProcessMemory(process_, At(offset), data, size, &done) && done == size;
  }

private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  std::size_t size_;
};

}  // namespace

std::wstring ListViewItemText(HWND list, int row, int column) {
  constexpr int kChars = 1024;
  CRemoteBuffer remote(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote) return {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<LPWSTR>(remote.At(sizeof(LVITEMW)));
  item.cchTextMax = kChars;
  const wchar_t empty = L'\0';
  if (!remote.Write(0, &item, sizeof(item)) || !remote.Write(sizeof(LVITEMW), &empty, sizeof(empty))) return {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.At(0)),
                           SMTO_ABORTIFHUNG, 5000, &length)) {
    return {};
  }
  std::wstring text(kChars, L'\0');
  if (!remote.Read(sizeof(LVITEMW), text.data(), kChars * sizeof(wchar_t))) return {};
  text.resize(std::min<std::size_t>(length, kChars - 1));
  return text;
}

std::vector<std::wstring> ComboBoxItems(HWND combo) {
  // The system carries a combo box's text messages between processes (unlike
  // the list view's): a buffer of our own serves.
  std::vector<std::wstring> items;
  const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<LRESULT>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0));
    std::wstring text;
    if (length >= 0 && length <= 1024) {
      text.assign(static_cast<std::size_t>(length) + 1, L'\0');
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<std::size_t>(length));
    }
    items.push_back(text);
  }
  return items;
}

bool SelectListViewRow(HWND list, int row) {
  CRemoteBuffer remote(list, sizeof(LVITEMW));
  if (!remote) return false;
  auto send = [&](int index, UINT state) {
    LVITEMW item = {};
    item.state = state;
    item.stateMask = (LVIS_SELECTED | LVIS_FOCUSED);
    DWORD_PTR result = 0;
    return remote.Write(0, &item, sizeof(item)) &&
           SendMessageTimeoutW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(remote.At(0)), SMTO_ABORTIFHUNG, 5000, &result) &&
           result != 0;
  };
  if (!send(-1, 0)) return false;
  return row < 0 || send(row, (LVIS_SELECTED | LVIS_FOCUSED));
}

std::optional<RECT> ListViewItemRect(HWND list, int row) {
  CRemoteBuffer remote(list, sizeof(RECT));
  RECT rc = {LVIR_BOUNDS, 0, 0, 0};
  DWORD_PTR got = 0;
  if (!remote || !remote.Write(0, &rc, sizeof(rc)) ||
      !SendMessageTimeoutW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.At(0)),
                           SMTO_ABORTIFHUNG, 5000, &got) ||
      got == 0 || !remote.Read(0, &rc, sizeof(rc))) {
    return std::nullopt;
  }
  return rc;
}

bool ClickListViewRow(HWND list, int row) {
  const std::optional<RECT> rc = ListViewItemRect(list, row);
  if (!rc) return false;
  const LPARAM at = MAKELPARAM((rc->left + rc->right) / 2, (rc->top + rc->bottom) / 2);
  // Posted: the click may open a question box, which must not hold up the caller.
  return PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageW(list, WM_LBUTTONUP, 0, at);
}

std::vector<HeaderItem> ListViewHeaderItems(HWND list) {
  std::vector<HeaderItem> items;
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (!header) return items;
  constexpr int kChars = 256;
  CRemoteBuffer remote(header, sizeof(HDITEMW) + kChars * sizeof(wchar_t));
  if (!remote) return items;
  const auto count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HDITEMW item = {};
    item.mask = HDI_TEXT | HDI_WIDTH;
    item.pszText = reinterpret_cast<LPWSTR>(remote.At(sizeof(HDITEMW)));
    item.cchTextMax = kChars;
    DWORD_PTR got = 0;
    wchar_t text[kChars] = {};
    if (!remote.Write(0, &item, sizeof(item)) ||
        !SendMessageTimeoutW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote.At(0)),
                             SMTO_ABORTIFHUNG, 5000, &got) ||
        got == 0 || !remote.Read(0, &item, sizeof(item)) || !remote.Read(sizeof(HDITEMW), text, sizeof(text))) {
      continue;
    }
    text[kChars - 1] = L'\0';
    items.push_back(HeaderItem{text, item.cxy});
  }
  return items;
}

std::string AskEmulator(const std::wstring& name, const std::string& line, DWORD waitMs) {
  const std::wstring pipe = L"\\\\.\\pipe\\VXR500Emu." + name + L".control";
  HANDLE h = INVALID_HANDLE_VALUE;
  WaitUntil(
      [&] {
        h = CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return h != INVALID_HANDLE_VALUE;
      },
      waitMs);
  if (h == INVALID_HANDLE_VALUE) return "no control pipe";
  DWORD done = 0;
  const std::string request = line + "\n";
  WriteFile(h, request.data(), static_cast<DWORD>(request.size()), &done, nullptr);
  std::string answer;
  char c = 0;
  while (ReadFile(h, &c, 1, &done, nullptr) && done == 1 && c != '\n') answer += c;
  CloseHandle(h);
  return answer;
}

ConsoleRun RunConsoleProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workingDir,
                             const std::wstring& outFolder, DWORD limitMs) {
  static std::atomic<int> runs{0};
  const std::wstring stem = outFolder + L"\\run" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++runs);
  const std::wstring outPath = stem + L".out.txt", errPath = stem + L".err.txt";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  ConsoleRun r;
  if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    return r;
  }
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup = {sizeof(startup)};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION info = {};
  const ULONGLONG began = GetTickCount64();
  const bool started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &info) != FALSE;
  CloseHandle(out);
  CloseHandle(err);
  if (!started) return r;
  r.finished = WaitForSingleObject(info.hProcess, limitMs) == WAIT_OBJECT_0;
  if (!r.finished) {
    TerminateProcess(info.hProcess, 99);
    WaitForSingleObject(info.hProcess, 5000);
  }
  r.seconds = static_cast<double>(GetTickCount64() - began) / 1000.0;
  GetExitCodeProcess(info.hProcess, &r.code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  r.out = ReadFileBytes(outPath).value_or("");
  r.err = ReadFileBytes(errPath).value_or("");
  DeleteFileW(outPath.c_str());
  DeleteFileW(errPath.c_str());
  return r;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof(buffer), &got, nullptr) != FALSE) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

CMessageBoxWatcher::CMessageBoxWatcher(int answer)
    : answer_(answer), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = std::thread([this] { Loop(); });
}

CMessageBoxWatcher::~CMessageBoxWatcher() {
  SetEvent(stop_);
  thread_.join();
  CloseHandle(stop_);
}

std::vector<MessageBoxRecord> CMessageBoxWatcher::Seen() const {
  std::scoped_lock guard(lock_);
  return seen_;
}

void CMessageBoxWatcher::SetAnswer(int answer) {
  std::scoped_lock guard(lock_);
  answer_ = answer;
}

void CMessageBoxWatcher::Loop() {
  while (WaitForSingleObject(stop_, kPollMs) == WAIT_TIMEOUT) {
    for (const WindowInfo& w : TopLevelWindows(GetCurrentProcessId())) {
      if (!IsMessageBox(w.hwnd)) continue;
      std::scoped_lock guard(lock_);
      bool known = false;
      for (HWND h : answered_) known = known || h == w.hwnd;
      if (known) continue;
      // A box can show a moment before its text is set: looked at again
      // for up to a second.
      const std::wstring text = MessageBoxText(w.hwnd);
      if (text.empty()) {
        auto it = std::find_if(blank_.begin(), blank_.end(), [&](const auto& b) { return b.first == w.hwnd; });
        if (it == blank_.end()) it = blank_.insert(blank_.end(), {w.hwnd, 0});
        if (++it->second * kPollMs < 1000) continue;
      }
      answered_.push_back(w.hwnd);
      seen_.push_back({w.title, text});
      PressButton(w.hwnd, answer_);
    }
  }
}

CDelayedAction::CDelayedAction(std::function<bool()> fn, DWORD timeoutMs)
    : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = std::thread([this, fn = std::move(fn), timeoutMs] {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end && WaitForSingleObject(stop_, kPollMs) == WAIT_TIMEOUT) {
      if (fn()) {
        done_ = true;
        return;
      }
    }
  });
}

CDelayedAction::~CDelayedAction() {
  SetEvent(stop_);
  thread_.join();
  CloseHandle(stop_);
}

bool CDelayedAction::Done() const { return done_; }

CInstalledTool::CInstalledTool(const std::wstring& relative) {
  wchar_t root[MAX_PATH] = {};
  ExpandEnvironmentStringsW(L"%ProgramFiles%", root, MAX_PATH);
  path_ = std::wstring(root) + L"\\" + relative;
  for (std::size_t at = path_.find(L'\\', wcslen(root) + 1); at != std::wstring::npos; at = path_.find(L'\\', at + 1)) {
    const std::wstring folder = path_.substr(0, at);
    if (CreateDirectoryW(folder.c_str(), nullptr)) made_.push_back(folder);
  }
  installed_ = CopyFileW((TestBinDir() + L"vx_standin_tool.exe").c_str(), path_.c_str(), FALSE) != FALSE;
}

CInstalledTool::~CInstalledTool() {
  DeleteFileW(path_.c_str());
  for (auto it = made_.rbegin(); it != made_.rend(); ++it) RemoveDirectoryW(it->c_str());
}

bool CloseTheTool() {
  HWND tool = nullptr;
  if (!WaitUntil([&] { return (tool = FindWindowW(L"VXStandInTool", nullptr)) != nullptr; }, 20000)) return false;
  PostMessageW(tool, WM_CLOSE, 0, 0);
  return WaitUntil([&] { return FindWindowW(L"VXStandInTool", nullptr) == nullptr; }, 10000);
}

}  // namespace gui
