#include "views/models/ClientViewModel.h"

#include "foundation/Conversions.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "project/Doc.h"
#include "project/OPCServerTreeObject.h"
#include "project/ProjectResource.h"
#include "views/models/GroupItemViewModel.h"

namespace {
const wchar_t* const kRootRows[] = {L"Name", L"Servers count", L"Start time"};
const wchar_t* const kServerRows[] = {L"Name", L"Locale ID", L"Last update time", L"Groups count"};

COPCDiagRootObject* DiagRoot() {
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? &doc->m_opcRoot : nullptr;
}
}  // namespace

CClientViewModel::CClientViewModel() = default;
CClientViewModel::~CClientViewModel() = default;

void CClientViewModel::OnInitialUpdate() {
  m_window = std::make_unique<CViewMessageWindow>([this](UINT_PTR id) { OnTimer(id); });
  m_window->SetTimer(kTimerId, 1000);
}

void CClientViewModel::OnDestroy() {
  if (m_window) m_window->KillTimer(kTimerId);
  m_window.reset();
}

void CClientViewModel::OnUpdate(CView* sender, LPARAM hint, CObject* object) {
  // Only the diagnostics tree's selections are ours: another view's object is of another kind.
  if (hint == HintSelectionChanged && dynamic_cast<CGroupItemViewModel*>(sender) != nullptr) {
    auto* typed = static_cast<CDefaultObject*>(object);
    const int type = typed != nullptr ? typed->GetType() : kNone;
    DWORD key = 0;
    if (type == TreeObjectOpcServer) key = static_cast<COPCServerTreeObject*>(typed)->m_dwKey;
    Show(type, key);
  }
  if (m_pSink != nullptr) m_pSink->OnValuesChanged();
}

void CClientViewModel::OnTimer(UINT_PTR id) {
  if (id != kTimerId) return;
  if (m_nType != kNone) Show(m_nType, m_dwKey);
  if (m_pSink != nullptr) m_pSink->OnValuesChanged();
}

void CClientViewModel::Show(int type, DWORD key) {
  const bool rebuild = m_nType == kNone || type == kNone || type != m_nType;
  m_nType = type;
  m_dwKey = key;
  if (rebuild) {
    m_rows.clear();
    if (type == TreeObjectOpcRoot)
      for (const wchar_t* name : kRootRows) m_rows.push_back({name, CString()});
    else if (type == TreeObjectOpcServer)
      for (const wchar_t* name : kServerRows) m_rows.push_back({name, CString()});
    ++m_nRowsGeneration;
    if (m_pSink != nullptr) m_pSink->OnRowsRebuilt();
  }
  FillValues();
}

void CClientViewModel::FillValues() {
  CString text;
  if (m_nType == TreeObjectOpcRoot && m_rows.size() == 3) {
    m_rows[0].m_strValue = FormatDiagBanner();
    COPCDiagRootObject* root = DiagRoot();
    text.Format(L"%d", root != nullptr ? static_cast<int>(root->m_children.size()) : 0);
    m_rows[1].m_strValue = text;
    if (g_pOpcServerProperties != nullptr) m_rows[2].m_strValue = FormatTimeStamp(g_pOpcServerProperties->m_ftStartTime);
  } else if (m_nType == TreeObjectOpcServer && m_rows.size() == 4) {
    CServerInfo info;
    if (!GetOPCToolkitManager().GetServerInfo(m_dwKey, info)) return;  // the last values stay
    m_rows[0].m_strValue = info.m_strName;
    text.Format(L"0x%x", info.m_dwLCID);
    m_rows[1].m_strValue = text;
    m_rows[2].m_strValue = FormatTimeStamp(info.m_ftLastUpdate);
    COPCDiagRootObject* root = DiagRoot();
    COPCServerTreeObject* server = root != nullptr ? root->FindServer(m_dwKey) : nullptr;
    if (server != nullptr) {
      text.Format(L"%d", static_cast<int>(server->m_children.size()));
      m_rows[3].m_strValue = text;
    }
  }
}

void CClientViewModel::GetProperties(CPropertyList& properties) {
  COPCDiagRootObject* root = DiagRoot();
  if (root == nullptr) return;
  if (m_nType == TreeObjectOpcRoot) {
    root->FillProperties(properties);
  } else if (m_nType == TreeObjectOpcServer) {
    if (COPCServerTreeObject* server = root->FindServer(m_dwKey)) server->FillProperties(properties);
  }
}
