#include "plugins/common/PageWrite.h"

#include "framework/MessageBoxes.h"
#include "framework/UtilitySettings.h"
#include "makerlibs/include/CustomParamEngineApi.h"
#include "win/MandatedWait.h"

void CPageWriteSteps::ClearEngineCallback() { (void)CPE_ClearCallback(page_.worker.engineHandle); }

int32_t CPageWriteSteps::SetValues(const CustomParamRecord& record) {
  return CPE_Set(page_.worker.engineHandle, &record);
}

int32_t CPageWriteSteps::GetValues(CustomParamRecord* record) { return CPE_Get(page_.worker.engineHandle, record); }

int32_t CPageWriteSteps::WaitForPrinterRestart() { return page_.WaitForPrinterRestart(page_.worker.progressCallback); }

bool CPageWriteSteps::GetRetryParams(int32_t* retries, int32_t* intervalMs) {
  CommRetryParams params = {};
  if (page_.GetCommRetryParams(&params) != 1) return false;
  *retries = params.retries;
  *intervalMs = params.retryIntervalMs;
  return true;
}

void CPageWriteSteps::Progress(int32_t percent) {
  if (page_.worker.progressCallback) page_.worker.progressCallback(percent, &page_.worker);
}

int64_t CPageWriteSteps::NowMs() { return static_cast<int64_t>(GetTickCount64()); }

void CPageWriteSteps::Wait(int32_t ms) { MandatedWait(L"read-back retry", static_cast<DWORD>(ms)); }

int32_t RunPageWrite(CCommonFormView& page, CEngineCommCtrl::ThreadRoutine routine, const std::wstring& failureText) {
  (void)page.ReopenPort(1);
  page.worker.threadRoutine = routine;
  const int32_t result = page.worker.RunOnWorkerThread(&page, page.worker.engineHandle);
  (void)page.ReopenPort(0);
  if (result == -64 && page.worker.refusedForStatus) {
    ShowWarningMessage(GetParent(page.Hwnd()), page.NotReadyText().c_str());
  } else if (result != 1 && result != -60) {
    ShowWarningMessage(GetParent(page.Hwnd()), failureText.c_str());
  }
  return result;
}

int32_t ReadRecord(CCommonFormView& page, CustomParamRecord* record) {
  if (page.worker.engineHandle == 0 || !record) return kCpeBadHandle;
  const CustomParamRecord query = *record;
  int32_t got = CPE_Get(page.worker.engineHandle, record);
  // The page read before this one may have left the printer restarting
  // (reading customized values does): once it is back, ask again. Without
  // a printer (a setting file) there is nothing to wait for.
  if (got == kCpeNoAnswer && !WritesSettingFile(page) && page.WaitForPrinterRestart(nullptr) == 1) {
    *record = query;
    got = CPE_Get(page.worker.engineHandle, record);
  }
  return got;
}

bool WritesSettingFile(const CCommonFormView& page) {
  const UtilitySettings* s = page.Settings();
  return s && s->startMode == static_cast<int32_t>(StartMode::SaveFile);
}
