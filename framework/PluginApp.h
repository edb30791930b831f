#pragma once
// The application object of a plug-in library: owns the page controller the
// exported entry points work on.

#include "framework/FormViewCtrl.h"

class CPluginAppBase {
public:
  virtual ~CPluginAppBase() = default;
  CFormViewCtrl* Controller() const { return controller_; }

protected:
  CFormViewCtrl* controller_ = nullptr;
};

// The library's one application object, defined by each plug-in; null when
// the library has none (or it is not a plug-in application).
CPluginAppBase* PluginApplication();
