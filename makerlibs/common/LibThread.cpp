#include "makerlibs/common/LibThread.h"

#include <memory>

namespace {

struct Start {
  std::function<void()> body;
  HMODULE self;
};

DWORD WINAPI Trampoline(void* p) noexcept {
  std::unique_ptr<Start> start(static_cast<Start*>(p));
  try {
    start->body();
  } catch (...) {
  }
  HMODULE self = start->self;
  start.reset();
  if (self) FreeLibraryAndExitThread(self, 0);
  return 0;
}

}  // namespace

bool CLibThread::Start(std::function<void()> body) {
  Join();
  auto start = std::make_unique<::Start>();
  start->body = std::move(body);
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Trampoline), &start->self);
  handle_ = CreateThread(nullptr, 0, Trampoline, start.get(), 0, &id_);
  if (!handle_) {
    if (start->self) FreeLibrary(start->self);
    id_ = 0;
    return false;
  }
  start.release();
  return true;
}

void CLibThread::Join() {
  if (!handle_) return;
  if (!IsCurrent()) WaitForSingleObject(handle_, INFINITE);
  CloseHandle(handle_);
  handle_ = nullptr;
  id_ = 0;
}
