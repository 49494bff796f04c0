#include "foundation/EventsManager.h"

#include <atomic>

#include "platform/win32/Messages.h"

namespace {

enum class ManagerLife { NotYet, Live, TornDown };

std::atomic<CEventsManager*> g_instance{nullptr};
ManagerLife g_life = ManagerLife::NotYet;  // GUI thread only

}  // namespace

CEventsManager::CEventsManager() { m_hWnd = CreateMessageWindow(&CEventsManager::WindowProc, this); }

CEventsManager::~CEventsManager() {
  if (m_hWnd != nullptr) {
    SetWindowLongPtr(m_hWnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
  }
  m_events.Clear();
}

bool CEventsManager::Collect(std::unique_ptr<CProtocolEvent> event) {
  if (!m_events.Add(std::move(event))) return false;
  // Without a window a null handle would post to the producer's own thread.
  if (m_hWnd != nullptr) PostMessage(m_hWnd, WM_EVENTS_POSTED, 0, 0);
  return true;
}

LRESULT CEventsManager::OnEventsPosted() {
  int budget = kEventsPerMessage;
  while (m_events.GetCount() > 0 && budget > 0) {
    --budget;
    std::unique_ptr<CProtocolEvent> event = m_events.Pop();
    if (event) Notify(event.get());
  }
  return 1;
}

LRESULT CEventsManager::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_EVENTS_POSTED) {
    auto* self = reinterpret_cast<CEventsManager*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    return self != nullptr ? self->OnEventsPosted() : 0;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

CEventsManager* CEventsManager::Create() {
  if (g_life == ManagerLife::Live) return g_instance.load();
  if (g_life == ManagerLife::TornDown) return nullptr;
  auto* manager = new CEventsManager;
  g_instance.store(manager);
  g_life = ManagerLife::Live;
  g_pProtocolEventsCollector.Set(manager);
  return manager;
}

CEventsManager* CEventsManager::GetInstance() { return g_instance.load(); }

bool CEventsManager::PostEvent(std::unique_ptr<CProtocolEvent> event) {
  return g_pProtocolEventsCollector.Collect(std::move(event));
}

void CEventsManager::Destroy() {
  if (g_life != ManagerLife::Live) {
    g_life = ManagerLife::TornDown;
    return;
  }
  // Unpublish first: this waits for Collects already inside the manager.
  g_pProtocolEventsCollector.Set(nullptr);
  CEventsManager* manager = g_instance.exchange(nullptr);
  g_life = ManagerLife::TornDown;
  delete manager;
}
