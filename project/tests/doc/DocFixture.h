// A project document over the simulated network control, with an application that records
// what the document asks of it: the start mode, the close guard, a main window for the
// timer, the log file and the dialogs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "foundation/EventsManager.h"
#include "foundation/LoggingFile.h"
#include "interfaces/kestrum/KestrumSimulation.h"
#include "platform/afx/DocTemplate.h"
#include "platform/afx/View.h"
#include "platform/win32/Files.h"
#include "platform/win32/Messages.h"
#include "project/Doc.h"
#include "project/DocHost.h"
#include "project/ProjectResource.h"
#include "standins/kestrum/testing/KestrumEnvironment.h"

class CTestDocHost : public CDocHost, public IKxTimerOwner {
 public:
  CTestDocHost() { m_hWnd = CreateMessageWindow(&CTestDocHost::WindowProc, this); }
  ~CTestDocHost() override { DestroyWindow(m_hWnd); }

  int GetStartMode() override { return m_nStartMode; }
  bool HasConnectedClients() override { return m_bClients; }
  bool CanClose() override {
    ++m_nCloseQuestions;
    return !m_bClients || m_bAgreeToClose;
  }
  IKxTimerOwner* GetMainWindow() override { return this; }
  HWND GetSafeHwnd() const override { return m_hWnd; }
  CLoggingFile* GetLogFile() override { return &m_log; }
  int GetServerInstance() override { return 0; }
  void SetLastProjectPath(const CString& path) override { m_lastProjects.push_back(path); }
  void ShowOptions(int page) override { m_optionPages.push_back(page); }
  int RunDeviceDialog(CDeviceDialogRecord& record) override {
    m_deviceShown = record;
    if (m_editDevice) m_editDevice(record);
    return m_nDeviceAnswer;
  }
  void ShowNiStatusSheet(const CString& title, IDispatch*) override { m_sheetTitles.push_back(title); }
  void ShowVniStatistics(CDoc*) override {}
  void ShowContextMenu(UINT menuId, int subMenu, POINT) override { m_menus.push_back({menuId, subMenu}); }

  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CTestDocHost*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == WM_UPDATE_PROPERTIES) self->m_propertyRefreshes.push_back(wParam);
    return message == WM_UPDATE_PROPERTIES ? 1 : DefWindowProc(hwnd, message, wParam, lParam);
  }

  HWND m_hWnd = nullptr;
  int m_nStartMode = 1;
  bool m_bClients = false;
  bool m_bAgreeToClose = false;
  int m_nCloseQuestions = 0;
  CLoggingFile m_log;
  std::vector<CString> m_lastProjects;
  std::vector<int> m_optionPages;
  CDeviceDialogRecord m_deviceShown;
  std::function<void(CDeviceDialogRecord&)> m_editDevice;
  int m_nDeviceAnswer = IDCANCEL;
  std::vector<CString> m_sheetTitles;
  std::vector<std::pair<UINT, int>> m_menus;
  std::vector<WPARAM> m_propertyRefreshes;
};

// Records every update the document sends.
class CHintView : public CView {
 public:
  void OnUpdate(CView*, LPARAM hint, CObject* object) override {
    m_hints.push_back(hint);
    m_objects.push_back(object);
  }
  std::vector<LPARAM> m_hints;
  std::vector<CObject*> m_objects;
};

// Keeps the texts of the plain protocol events.
class CTextEvents : public CProtocolEventObserver {
 public:
  void Update(CSubjectTEx<CProtocolEvent*>*, CProtocolEvent* event) override {
    if (event->GetKind() == ProtocolEventKindText) m_texts.push_back(event->GetText().GetText());
  }
  std::vector<CString> m_texts;
};

class DocFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // The process's one events manager lives for the whole run.
    static CEventsManager* events = CEventsManager::Create();
    ASSERT_NE(nullptr, events);
    events->Attach(&m_events);
    SetDocHost(&m_host);
    m_doc = std::make_unique<CDoc>();
    m_doc->m_bAutoDelete = false;
    m_doc->AddView(&m_view);
    m_simulation = m_env.Simulation(m_doc->m_control.m_lpDispatch);
    ASSERT_TRUE(m_simulation);
  }
  void TearDown() override {
    m_simulation.Release();
    if (m_doc) m_doc->RemoveView(&m_view);
    m_doc.reset();
    Pump();
    SetDocHost(nullptr);
    if (CEventsManager* events = CEventsManager::GetInstance()) events->Detach(&m_events);
  }
  CString Path(const wchar_t* name) { return CString(tessaly::win32::JoinPath(CString(m_env.Root().Path().c_str()), name)); }
  // The demo network's interface and database.
  void UseDemoNetwork() {
    m_doc->m_settings.SetNetworkInterface(L"LON1", L"FTT-10");
    m_doc->m_settings.SetString(m_doc->m_settings.dbpath, CString(m_env.DatabasePath().c_str()));
  }
  int Pump() { return kestrum::testing::CKestrumEnvironment::Pump(m_doc ? m_doc->m_control.m_lpDispatch : nullptr); }
  BYTE TxTimer() { return m_doc->m_control.GetProperty<BYTE>(kestrum::ctl::kTxTimer); }

  kestrum::testing::CKestrumEnvironment m_env;
  CTestDocHost m_host;
  CTextEvents m_events;
  CHintView m_view;
  std::unique_ptr<CDoc> m_doc;
  CComPtr<kestrum::IKestrumSimulation> m_simulation;
};
