#include "views/models/ViewMessageWindow.h"

#include "platform/win32/Messages.h"
#include "project/DocHost.h"
#include "project/ProjectResource.h"

CViewMessageWindow::CViewMessageWindow(std::function<void(UINT_PTR)> onTimer) : m_onTimer(std::move(onTimer)) {
  m_hWnd = CreateMessageWindow(&CViewMessageWindow::WindowProc, this);
}

CViewMessageWindow::~CViewMessageWindow() {
  if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

void CViewMessageWindow::SetTimer(UINT_PTR id, UINT milliseconds) { ::SetTimer(m_hWnd, id, milliseconds, nullptr); }

void CViewMessageWindow::KillTimer(UINT_PTR id) { ::KillTimer(m_hWnd, id); }

void CViewMessageWindow::RefreshPropertiesPane(WPARAM what, LPARAM object) {
  CDocHost* host = GetDocHost();
  IKxTimerOwner* window = host != nullptr ? host->GetMainWindow() : nullptr;
  if (window != nullptr && window->GetSafeHwnd() != nullptr)
    SendMessage(window->GetSafeHwnd(), WM_UPDATE_PROPERTIES, what, object);
}

LRESULT CViewMessageWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CViewMessageWindow*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (message == WM_TIMER && self != nullptr && self->m_onTimer) {
    self->m_onTimer(static_cast<UINT_PTR>(wParam));
    return 0;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}
