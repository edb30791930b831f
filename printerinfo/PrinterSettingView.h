#pragma once
// The built-in page that reads everything the utility knows about the
// connected printer in one run: who it is, its information texts, then the
// settings of every loaded plug-in. It has no controls; the status pane owns
// its controller and runs the read when the printer becomes usable.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/CommonFormView.h"
#include "framework/FormViewCtrl.h"
#include "framework/PluginApi.h"

class CPrnInfoLibrary;

// One loaded plug-in as the read sees it.
struct PluginReadEntry {
  bool loaded = false;
  PFN_FORMVIEWDLL_ReadPrinterSettings read = nullptr;
};

class CPrinterSettingView : public CSingleFormView {
public:
  CPrinterSettingView();
  ~CPrinterSettingView() override;

  int32_t GetCommRetryParams(CommRetryParams* params) override;
  // The printer's information into its block; 1, -24 without the library,
  // or the library's failure (then the block is as it was).
  int32_t ReadPrinterSettings() override;

  // The plug-ins whose settings the next read asks for.
  void SetPlugins(std::vector<PluginReadEntry> plugins) { plugins_ = std::move(plugins); }
  // Work on the printer's port around the next read, run on its worker
  // thread (a remote printer's reopen waits and retries).
  void SetPortWork(std::function<void()> before, std::function<void()> after) {
    beforeRead_ = std::move(before);
    afterRead_ = std::move(after);
  }
  // Runs the read on the worker thread under the frame's progress dialog;
  // the read's result, -67 when it stopped after a message, or the worker's
  // own code (-25, -64) when it could not start.
  [[nodiscard]] int32_t RunRead();
  // 0, or -24 when creation found no usable printer-information library.
  int32_t BindingResult() const { return bindingResult_; }

protected:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  class CSteps;
  void ReleaseLibrary();
  static DWORD WINAPI ReadRoutine(void* page) noexcept;
  int32_t Bind();

  std::unique_ptr<CPrnInfoLibrary> library_;
  int32_t handle_ = 0;
  int32_t bindingResult_ = 0;
  std::vector<PluginReadEntry> plugins_;
  std::function<void()> beforeRead_, afterRead_;
};

class CPrinterSettingViewCtrl : public CFormViewCtrl {
public:
  CPrinterSettingViewCtrl();

  void CreatePages() override;
  // The printer-information block with its defaults; -1 for any other id.
  int32_t SetDefaultData(int32_t pluginId) override;
  void ResetState() override { state_ = 1; }

  // The page once created.
  CPrinterSettingView* View() const;
};
