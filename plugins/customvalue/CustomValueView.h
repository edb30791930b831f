#pragma once
// The "Customized Values" page: paper width, paper kind and commands while
// offline as lists, and four numbers with their limits and units; read from
// the printer, written to it in user-setting mode and read back after its
// restart (or, when the utility writes a setting file, kept in the data store
// only). Its values live in two blocks: its own and one it depends on.

#include <windows.h>

#include <cstdint>

#include "framework/CommonFormView.h"
#include "framework/FormViewCtrl.h"
#include "plugins/customvalue/CustomValueRules.h"

class CCustomValueView : public CSingleFormView {
public:
  CCustomValueView();

  void InitialUpdate() override;
  void OnPageShown() override;
  int32_t IsModified() override;
  int32_t ReadPrinterSettings() override;
  int32_t ApplyToSettingsData() override;
  int32_t ApplyToPrinter() override;
  virtual void OnSetClicked();
  // The write on the worker thread (PageWriteRoutine).
  int32_t Write();

protected:
  void OnCommand(int id, int code, HWND control) override;

private:
  bool ReadBlocks(ValueBlocks& blocks);
  int32_t StoreBlocks(ValueBlocks& blocks);
  void ShowValues();
  void TakeValues();

  ValueBlocks working_;
  ValueBlocks saved_;
  CustomParamRecord pending_ = {};  // what the write sends, taken on the window thread
};

class CCustomValueViewCtrl : public CFormViewCtrl {
public:
  CCustomValueViewCtrl();
  int32_t SetDefaultData(int32_t pluginId) override;
  int32_t GetDependData(PluginInfo* entries, int32_t* count) override;
  void ResetState() override { state_ = 1; }
  void CreatePages() override;
  void OnPageShown() override;
};
