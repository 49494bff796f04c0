#include "lon/LonDatabaseManager.h"

#include "lon/CPTag.h"
#include "lon/DeviceTreeObjects.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/LonHost.h"
#include "lon/LonItemIds.h"
#include "lon/LonTagsGroup.h"
#include "lon/NVTag.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"

namespace {
// The control's one event interface, taken from its connection points.
bool FindEventInterface(IDispatch* control, IID* iid) {
  if (control == nullptr) return false;
  IConnectionPointContainer* container = nullptr;
  if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) ||
      container == nullptr)
    return false;
  IEnumConnectionPoints* points = nullptr;
  bool found = false;
  if (SUCCEEDED(container->EnumConnectionPoints(&points)) && points != nullptr) {
    IConnectionPoint* point = nullptr;
    ULONG fetched = 0;
    if (points->Next(1, &point, &fetched) == S_OK && point != nullptr) {
      found = SUCCEEDED(point->GetConnectionInterface(iid));
      point->Release();
    }
    points->Release();
  }
  container->Release();
  return found;
}

bool FileExists(const CString& path) { return tessaly::win32::AnyFileMatches(path) && !tessaly::win32::IsFolder(path); }

void AddValueTags(CLonTagsGroup* group, CNetworkVariable* nv) {
  group->AddTag(new CNVTag(nv, -1));
  USHORT fields = nv->GetFieldCount();
  for (USHORT i = 0; i < fields; ++i) group->AddTag(new CNVTag(nv, static_cast<short>(i)));
}

void AddValueTags(CLonTagsGroup* group, CConfigProperty* cp) {
  group->AddTag(new CCPTag(cp, -1));
  short fields = cp->GetFieldCount();
  for (short i = 0; i < fields; ++i) group->AddTag(new CCPTag(cp, i));
}

// Splits "__member" off and cuts at the first blank.
void SplitItemId(const CString& given, CString& id, CString& member) {
  id = given;
  member.Empty();
  int at = id.Find(L"__");
  if (at >= 0 && at + 2 < id.GetLength()) {
    member = id.Mid(at + 2);
    id = id.Left(at);
  }
  int blank = id.Find(L' ');
  if (blank >= 0) id = id.Left(blank);
}
}  // namespace

COleDispatchDriver CKestrumWrapper::GetNetworkInterface(const CString& name) {
  return m_pOwner->GetNetworkInterface(name);
}

CLonDatabaseManager::CLonDatabaseManager() : m_wrapper(this) {
  m_pSink = new CKestrumSink();
  Connect();
}

CLonDatabaseManager::~CLonDatabaseManager() {
  ClearNodes();
  Unadvise();
  delete m_pSink;
  m_pSink = nullptr;
  m_network.ReleaseDispatch();
  m_control.ReleaseDispatch();
}

void CLonDatabaseManager::Advise() {
  if (m_control.m_lpDispatch == nullptr || m_pSink == nullptr) return;
  // The contract's event interface; a control that names another one in its connection points
  // is advised there.
  m_eventIid = kestrum::DIID_KestrumEvents;
  IID offered{};
  if (FindEventInterface(m_control.m_lpDispatch, &offered)) m_eventIid = offered;
  m_pSink->SetEventInterface(m_eventIid);
  DWORD cookie = 0;
  if (AfxConnectionAdvise(m_control.m_lpDispatch, m_eventIid, m_pSink->GetIDispatch(FALSE), FALSE, &cookie)) {
    m_pSink->m_dwCookie = cookie;
    m_bAdvised = true;
  }
}

void CLonDatabaseManager::Unadvise() {
  if (m_control.m_lpDispatch == nullptr || !m_bAdvised) return;
  AfxConnectionUnadvise(m_control.m_lpDispatch, m_eventIid, m_pSink->GetIDispatch(FALSE), FALSE, m_pSink->m_dwCookie);
  m_pSink->m_dwCookie = 0;
  m_bAdvised = false;
}

bool CLonDatabaseManager::Connect() {
  // Closing needs a control; the first Connect has none yet.
  if (m_control.m_lpDispatch != nullptr) {
    try {
      m_control.InvokeMethod<LONG>(kestrum::ctl::kClose);
    } catch (const COleDispatchException&) {
    }
  }
  {
    CMyCriticalSectionLock lock(m_lock);
    m_bConnected = false;
    ClearNodesLocked();
    Unadvise();
    m_network.ReleaseDispatch();
    m_control.ReleaseDispatch();
  }
  COleDispatchDriver control;
  if (!control.CreateDispatch(kestrum::kProgId)) {
    AfxMessageBox(L"Cannot connect KESTRUM.KESTRUMCtrl.3", MB_OK);
    return false;
  }
  try {
    control.SetProperty(kestrum::ctl::kServerInstance, VT_UI1, static_cast<BYTE>(GetLonServerInstance()));
    control.SetProperty(kestrum::ctl::kFireEvents, VT_BOOL, true);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
  {
    CMyCriticalSectionLock lock(m_lock);
    m_control = control;
  }
  Advise();
  return true;
}

COleDispatchDriver CLonDatabaseManager::GetNetworkInterface(const CString& name) {
  COleDispatchDriver interfaces = lon_dispatch::GetObject(m_control, kestrum::ctl::kInterfaces);
  if (interfaces.m_lpDispatch == nullptr) return COleDispatchDriver();
  VARIANT key;
  VariantInit(&key);
  key.vt = VT_BSTR;
  key.bstrVal = SysAllocString(name.GetString());
  LPDISPATCH item = nullptr;
  try {
    interfaces.GetPropertyWithParams(kestrum::coll::kItem, VT_DISPATCH, &item, key);
  } catch (const COleDispatchException&) {
    item = nullptr;  // no such interface
  }
  VariantClear(&key);
  return COleDispatchDriver(item, TRUE);
}

bool CLonDatabaseManager::Open(int mode, const CString& databasePath, const CString& interfaceName,
                               const CString& hostInterfaceName) {
  CString path = databasePath;
  if (mode != LonModeSimulate) {
    COleDispatchDriver ni = m_wrapper.GetNetworkInterface(interfaceName);
    if (ni.m_lpDispatch == nullptr) {
      AfxMessageBox(L"Network interface defined wrong", MB_OK);
      return false;
    }
    try {
      COleDispatchDriver host = lon_dispatch::GetObject(m_control, kestrum::ctl::kHostConfig);
      host.SetProperty(kestrum::host::kNetworkInterface, VT_DISPATCH, ni.m_lpDispatch);
    } catch (const COleDispatchException& e) {
      e.ReportError();
      return false;
    }
    if (!hostInterfaceName.IsEmpty()) {
      COleDispatchDriver hostNi = m_wrapper.GetNetworkInterface(hostInterfaceName);
      if (hostNi.m_lpDispatch == nullptr) {
        AfxMessageBox(L"Host application network interface defined wrong", MB_OK);
        return false;
      }
      try {
        m_control.SetProperty(kestrum::ctl::kHostInterface, VT_DISPATCH, hostNi.m_lpDispatch);
      } catch (const COleDispatchException& e) {
        e.ReportError();
        return false;
      }
    }
  }
  if (path.IsEmpty()) {
    if (mode == LonModeSimulate) {
      AfxMessageBox(L"Database path is not defined.", MB_OK);
      return false;
    }
    if (AfxMessageBox(L"Database path is not defined. Do you want continue?", MB_YESNO) == IDNO) return false;
  } else if (!FileExists(path)) {
    if (mode == LonModeSimulate) {
      AfxMessageBox(L"The database does not exist.", MB_OK);
      return false;
    }
    if (AfxMessageBox(L"The database does not exist. Do you want continue?\nIf you select 'Yes' the program tries to "
                      L"create new database.",
                      MB_YESNO) == IDNO)
      return false;
    SCODE created = E_FAIL;
    try {
      m_control.InvokeHelper(kestrum::ctl::kCreateDatabase, DISPATCH_METHOD, VT_ERROR, &created, path);
    } catch (const COleDispatchException&) {
      created = E_FAIL;
    }
    if (created != 0 || !FileExists(path)) {
      if (AfxMessageBox(L"The database does not exist. Do you want continue?", MB_YESNO) == IDNO) return false;
      path.Empty();
    }
  }
  try {
    LONG result = m_control.InvokeMethod<LONG>(kestrum::ctl::kOpen, static_cast<LONG>(mode), path);
    if (result != 0) {
      AfxMessageBox(L"Unspecified error.", MB_OK);
      return false;
    }
  } catch (const COleDispatchException& e) {
    e.ReportError();
    return false;
  }
  CMyCriticalSectionLock lock(m_lock);
  m_bConnected = true;
  m_network = lon_dispatch::GetObject(m_control, kestrum::ctl::kNetwork);
  RefreshNodes();
  return true;
}

void CLonDatabaseManager::RefreshNodes() {
  CMyCriticalSectionLock lock(m_lock);
  if (m_network.m_lpDispatch == nullptr) return;
  short count = lon_dispatch::GetShort(m_network, kestrum::net::kNodeCount);
  for (short i = 0; i < count; ++i) {
    LPDISPATCH node = nullptr;
    m_network.GetPropertyWithParams(kestrum::net::kNode, VT_DISPATCH, &node, lon_dispatch::ShortVariant(i));
    COleDispatchDriver driver(node, TRUE);
    m_nodes.push_back(CLonNode::Create(driver));
  }
  DropTagTree();
}

void CLonDatabaseManager::ClearNodes() {
  CMyCriticalSectionLock lock(m_lock);
  ClearNodesLocked();
}

void CLonDatabaseManager::DetachDataPoints(const std::list<CLonNode*>& nodes) {
  for (CLonNode* node : nodes) node->DetachDataPoints();
}

void CLonDatabaseManager::ClearNodesLocked() {
  DropTagTree();
  if (!m_nodes.empty()) {
    DetachDataPoints(m_nodes);
    for (CLonProxyUser* user : m_proxyUsers) user->OnNodesRemoving(m_nodes);
  }
  for (CLonNode* node : m_nodes) delete node;
  m_nodes.clear();
}

std::list<CLonNode*> CLonDatabaseManager::GetNodes() {
  CMyCriticalSectionLock lock(m_lock);
  return m_nodes;
}

void CLonDatabaseManager::AttachProxyUser(CLonProxyUser* user) {
  CMyCriticalSectionLock lock(m_lock);
  m_proxyUsers.push_back(user);
}

void CLonDatabaseManager::DetachProxyUser(CLonProxyUser* user) {
  CMyCriticalSectionLock lock(m_lock);
  m_proxyUsers.remove(user);
}

// ---- address space --------------------------------------------------------------------

CString DomainGroupName(const CString& domainText) {
  CString name;
  name.Format(L"Domain: '%s'", domainText);
  return name;
}

CString SubnetGroupName(int mode, const CString& domainText, int subnet) {
  CString name;
  if (mode == 0 || mode == 1)
    name.Format(L"Subnet: %s.%d", domainText, subnet);
  else if (mode == 2)
    name.Format(L"Subnet: %d", subnet);
  return name;
}

CString NodeGroupName(int mode, const CString& domainText, int subnet, const CString& programId, const CString& name,
                      int node, const CString& location) {
  CString prefix, rest;
  prefix.Format(L"%s.%d.", domainText, subnet);
  switch (mode) {
    case 0:
      rest.Format(L"%s (%d) [%s]", programId, node, location);
      return prefix + rest;
    case 1:
      rest.Format(L"%s (%d) [%s]", name, node, location);
      return prefix + rest;
    case 2:
      rest.Format(L"%s (%d) [%s]", name, node, location);
      return rest;
    default:
      return CString();
  }
}

CLonTagsGroup* CLonDatabaseManager::BuildTagTree(int mode, const CString& rootName) {
  CMyCriticalSectionLock lock(m_lock);
  auto root = std::make_unique<CLonTagsGroup>(L"Root");
  CLonTagsGroup* project = root->AddGroup(rootName.GetString());
  for (CLonNode* node : m_nodes) {
    CLonAddress address = node->GetDomainAddress(0);
    CString domain = DomainText(address);
    CLonTagsGroup* domainGroup = project->FindOrAddGroup(DomainGroupName(domain).GetString());
    CLonTagsGroup* subnetGroup =
        domainGroup->FindOrAddGroup(SubnetGroupName(mode, domain, address.m_subnet).GetString());
    CString program = mode == 0 ? node->GetProgramId() : CString();
    CString name = mode != 0 ? node->GetName() : CString();
    CLonTagsGroup* nodeGroup = subnetGroup->AddGroup(
        NodeGroupName(mode, domain, address.m_subnet, program, name, address.m_node, node->GetLocation()).GetString());
    for (CNetworkVariable* nv : node->m_nvs) AddValueTags(nodeGroup, nv);
    for (CConfigProperty* cp : node->m_cps) AddValueTags(nodeGroup, cp);
    for (CLonFunctionalBlock* block : node->m_blocks) {
      CLonTagsGroup* blockGroup = nodeGroup->AddGroup(block->m_strName.GetString());
      for (CNetworkVariable* nv : node->GetBlockNVs(*block)) AddValueTags(blockGroup, nv);
      for (CConfigProperty* cp : block->m_cps) AddValueTags(blockGroup, cp);
    }
  }
  return root.release();
}

CLonTagsGroup* CLonDatabaseManager::GetTagTree(int mode, const CString& rootName) {
  CMyCriticalSectionLock lock(m_lock);
  if (!m_pTagTree && m_bConnected) m_pTagTree.reset(BuildTagTree(mode, rootName));
  return m_pTagTree.get();
}

void CLonDatabaseManager::DropTagTree() {
  CMyCriticalSectionLock lock(m_lock);
  if (m_pTagTree) {
    m_pTagTree.reset();
    ++m_nTreeGeneration;
  }
}

void CLonDatabaseManager::BuildDeviceTree(CDefaultObject* parent, int mode) {
  if (parent == nullptr) return;
  CMyCriticalSectionLock lock(m_lock);
  auto findOrAdd = [](CDefaultObject* under, const CString& name) {
    if (CTreeObject* found = under->FindChild(name.GetString())) return static_cast<CDefaultObject*>(found);
    auto* object = new CDefaultObject(name.GetString());
    under->AddChild(object);
    return object;
  };
  auto addValues = [](CDefaultObject* under, CNetworkVariable* nv) {
    auto* object = new CNvTreeObject(nv);
    under->AddChild(object);
    USHORT fields = nv->GetFieldCount();
    for (USHORT i = 0; i < fields; ++i)
      if (CSubfieldTreeObject* field = CSubfieldTreeObject::Create(nv, static_cast<short>(i))) object->AddChild(field);
  };
  auto addCp = [](CDefaultObject* under, CConfigProperty* cp) {
    auto* object = new CCPTreeObject(cp);
    under->AddChild(object);
    short fields = cp->GetFieldCount();
    for (short i = 0; i < fields; ++i)
      if (CSubfieldTreeObject* field = CSubfieldTreeObject::Create(cp, i)) object->AddChild(field);
  };
  for (CLonNode* node : m_nodes) {
    CLonAddress address = node->GetDomainAddress(0);
    CString domain = DomainText(address);
    CDefaultObject* domainObject = findOrAdd(parent, DomainGroupName(domain));
    CDefaultObject* subnetObject = findOrAdd(domainObject, SubnetGroupName(mode, domain, address.m_subnet));
    CString program = mode == 0 ? node->GetProgramId() : CString();
    CString name = mode != 0 ? node->GetName() : CString();
    CNodeTreeObject* nodeObject = CNodeTreeObject::Create(node);
    nodeObject->SetName(
        NodeGroupName(mode, domain, address.m_subnet, program, name, address.m_node, node->GetLocation()).GetString());
    subnetObject->AddChild(nodeObject);
    for (CNetworkVariable* nv : node->m_nvs) addValues(nodeObject, nv);
    for (CConfigProperty* cp : node->m_cps) addCp(nodeObject, cp);
    for (CLonFunctionalBlock* block : node->m_blocks) {
      auto* blockObject = new CDefaultObject(block->m_strName.GetString(), TreeObjectBlock);
      nodeObject->AddChild(blockObject);
      for (CNetworkVariable* nv : node->GetBlockNVs(*block)) addValues(blockObject, nv);
      for (CConfigProperty* cp : block->m_cps) addCp(blockObject, cp);
    }
  }
}

COPCTag* CLonDatabaseManager::CreateTagFromItemID(const CString& itemId) {
  CMyCriticalSectionLock lock(m_lock);
  if (m_network.m_lpDispatch == nullptr) return nullptr;
  CString id, member;
  SplitItemId(itemId, id, member);
  try {
    LPDISPATCH object = nullptr;
    m_network.InvokeHelper(kestrum::net::kNvByItemId, DISPATCH_METHOD, VT_DISPATCH, &object, id);
    COleDispatchDriver nvObject(object, TRUE);
    if (nvObject.m_lpDispatch != nullptr) {
      ULONG cookie = 0;
      nvObject.GetProperty(kestrum::nv::kCookie, VT_UI4, &cookie);
      CNetworkVariable* nv = CNetworkVariable::FromCookie(cookie);
      if (nv != nullptr) {
        if (member.IsEmpty()) return new CNVTag(nv, -1);
        USHORT fields = nv->GetFieldCount();
        for (USHORT i = 0; i < fields; ++i)
          if (nv->GetMemberName(static_cast<short>(i)) == member) return new CNVTag(nv, static_cast<short>(i));
      }
    }
  } catch (const COleDispatchException&) {
    // not an NV ID; try it as a CP
  }
  SplitItemId(itemId, id, member);
  try {
    LPDISPATCH object = nullptr;
    m_network.InvokeHelper(kestrum::net::kCpByItemId, DISPATCH_METHOD, VT_DISPATCH, &object, id);
    COleDispatchDriver cpObject(object, TRUE);
    if (cpObject.m_lpDispatch == nullptr) return nullptr;
    ULONG cookie = 0;
    cpObject.GetProperty(kestrum::cp::kCookie, VT_UI4, &cookie);
    CConfigProperty* cp = CConfigProperty::FromCookie(cookie);
    if (cp == nullptr) return nullptr;
    if (member.IsEmpty()) return new CCPTag(cp, -1);
    short fields = cp->GetFieldCount();
    for (short i = 0; i < fields; ++i)
      if (cp->GetMemberName(i) == member) return new CCPTag(cp, i);
  } catch (const COleDispatchException&) {
  }
  return nullptr;
}

void CLonDatabaseManager::DeleteNodeRecord(CLonNode* node) {
  std::list<CLonNode*> removing{node};
  DetachDataPoints(removing);
  for (CLonProxyUser* user : m_proxyUsers) user->OnNodesRemoving(removing);
  m_nodes.remove(node);
  delete node;
}

bool CLonDatabaseManager::DeleteNode(CDefaultObject* nodeObject) {
  CNodeTreeObject* object = CNodeTreeObject::FromObject(nodeObject);
  if (object == nullptr || object->m_pNode == nullptr) return false;
  try {
    m_control.InvokeMethod(kestrum::ctl::kDeleteNode, object->m_pNode->GetNeuronId());
  } catch (const COleDispatchException& e) {
    e.ReportError();
    return false;
  }
  CMyCriticalSectionLock lock(m_lock);
  DropTagTree();
  DeleteNodeRecord(object->m_pNode);
  object->m_pNode = nullptr;
  if (object->m_pParent != nullptr) object->m_pParent->RemoveChild(object);
  delete object;
  return true;
}
