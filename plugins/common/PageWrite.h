#pragma once
// What every setting page of ours shares when it writes to the printer: the
// write's steps through the page's engine handle, restart wait and data
// store, and the run on the worker thread with its one failure message.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "framework/CommonFormView.h"
#include "framework/SettingWrite.h"

class CPageWriteSteps final : public ISettingWriteSteps {
public:
  // store keeps the page's working copy; 1 or the store's failure.
  CPageWriteSteps(CCommonFormView& page, std::function<int32_t()> store) : page_(page), store_(std::move(store)) {}

  void ClearEngineCallback() override;
  int32_t SetValues(const CustomParamRecord& record) override;
  int32_t GetValues(CustomParamRecord* record) override;
  int32_t WaitForPrinterRestart() override;
  bool GetRetryParams(int32_t* retries, int32_t* intervalMs) override;
  int32_t StoreWorkingCopy() override { return store_ ? store_() : 1; }
  void Progress(int32_t percent) override;
  int64_t NowMs() override;
  void Wait(int32_t ms) override;

private:
  CCommonFormView& page_;
  std::function<int32_t()> store_;
};

// The worker thread's entry of a page whose Write() does the work.
template <class Page>
DWORD WINAPI PageWriteRoutine(void* page) noexcept {
  try {
    auto* self = static_cast<Page*>(page);
    return static_cast<DWORD>(self ? self->Write() : kWriteNoPage);
  } catch (...) {
    return static_cast<DWORD>(kWriteNoPage);
  }
}

// Runs routine(page) on the page's worker thread with the port reopened for
// it, as the host's progress dialog shows; a failure other than a lost
// connection (which the host reports itself) is shown as failureText.
int32_t RunPageWrite(CCommonFormView& page, CEngineCommCtrl::ThreadRoutine routine, const std::wstring& failureText);

// The engine's record read on the page's handle, asked again once the
// printer is back when it did not answer: 1 or the engine's failure.
int32_t ReadRecord(CCommonFormView& page, CustomParamRecord* record);

// Whether the page's host writes a setting file instead of to a printer.
bool WritesSettingFile(const CCommonFormView& page);
