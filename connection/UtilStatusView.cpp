#include "connection/UtilStatusView.h"

#include "connection/VXC.h"
#include "framework/FrameMessages.h"

const wchar_t CUtilStatusView::kClassName[] = L"VXUtilStatusView";

CUtilStatusView::CUtilStatusView(UtilitySettings& settings, const uint32_t& connectState)
    : settings_(settings), connectState_(connectState) {}

bool CUtilStatusView::CreatePane(HINSTANCE instance, HWND parent, int id) {
  if (!RegisterWindowClass(instance, kClassName)) return false;
  return Create(instance, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 1, 1, parent,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))) != nullptr;
}

void CUtilStatusView::Attach(const std::vector<std::unique_ptr<CMenuItem>>& items) {
  items_ = &items;
  // Printer available: usable until it reports otherwise; file mode has no printer.
  status_ = connectState_ == 0 ? 0 : 2;
  PostMessageW(hwnd_, WM_VX_STATUS_RELOAD, 0, 0);
  if (connectState_ == 0) RegisterStatusCallback();
}

void CUtilStatusView::RegisterStatusCallback() {
  auto* comm = static_cast<VXC*>(settings_.comm);
  if (comm && comm->IsLoaded()) comm->VXC_RegisterStatusProc(&CUtilStatusView::StatusCallback, hwnd_);
}

void CUtilStatusView::StatusCallback(int32_t status, void* context) {
  HWND pane = static_cast<HWND>(context);
  PostMessageW(pane, WM_VX_STATUS_CHANGED, static_cast<WPARAM>(status), reinterpret_cast<LPARAM>(pane));
}

LRESULT CUtilStatusView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_VX_STATUS_RELOAD:
      InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_VX_STATUS_QUERY:
      if (wp) *reinterpret_cast<int32_t*>(wp) = status_;
      return 0;
    case WM_VX_STATUS_REFRESH:
      InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_VX_STATUS_IGNORE:
      ignoreReports_ = true;
      return 0;
    case WM_VX_STATUS_CHANGED:
      if (!ignoreReports_) status_ = static_cast<int32_t>(wp);
      return 0;
    case WM_DESTROY:
      // No report may arrive for a pane that is gone.
      if (auto* comm = static_cast<VXC*>(settings_.comm); comm && comm->IsLoaded() && connectState_ == 0) {
        comm->VXC_UnregisterStatusProc();
      }
      return 0;
    default:
      return Default(msg, wp, lp);
  }
}
