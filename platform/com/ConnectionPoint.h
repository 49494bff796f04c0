// Connection points as mixins of the source object:
//
//   class CSource : public CComObjectRootEx<CComMultiThreadModel>,
//                   public IConnectionPointContainerImpl<CSource>,
//                   public IConnectionPointImpl<CSource, &IID_IEvents> {
//    public:
//     BEGIN_COM_MAP(CSource)
//       COM_INTERFACE_ENTRY(IConnectionPointContainer)
//       COM_INTERFACE_ENTRY(IConnectionPoint)   // when the object has only one point
//     END_COM_MAP()
//     BEGIN_CONNECTION_POINT_MAP(CSource)
//       CONNECTION_POINT_ENTRY(IID_IEvents)
//     END_CONNECTION_POINT_MAP()
//   };
//
// The sink list is guarded by the object's lock. Cookies start at 1 and are never reused, so
// a stale cookie cannot end somebody else's connection. Firing events walks a snapshot
// (references taken under the lock, calls made without it), so a sink may Unadvise, or Advise
// another, from inside its call-back.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/Enumerators.h"

#include <vector>

// Kept for the shape of the template arguments; the sink list is always dynamic.
struct CComDynamicUnkArray {};

struct CONNECTION_POINT_MAP_ENTRY {
  IConnectionPoint* (*get)(void* pThis);  // null on the terminator
};

#define BEGIN_CONNECTION_POINT_MAP(x)                                        \
 public:                                                                     \
  typedef x _CPMapClass;                                                     \
  static const ::CONNECTION_POINT_MAP_ENTRY* _GetConnectionPointMap() {      \
    static const ::CONNECTION_POINT_MAP_ENTRY _cpmap[] = {
#define CONNECTION_POINT_ENTRY(iid)                                                                        \
  {[](void* p) -> ::IConnectionPoint* {                                                                   \
    return static_cast<::IConnectionPointImpl<_CPMapClass, &(iid)>*>(static_cast<_CPMapClass*>(p));       \
  }},
#define END_CONNECTION_POINT_MAP() \
  {nullptr}                        \
  }                                \
  ;                                \
  return _cpmap;                   \
  }

typedef CComEnumOnVector<IEnumConnections, CopyPolicyConnectData> CEnumConnections;
typedef CComEnumOnVector<IEnumConnectionPoints, CopyPolicyInterface<IConnectionPoint>> CEnumConnectionPoints;

template <class T, const IID* piid, class SinkArray = CComDynamicUnkArray>
class IConnectionPointImpl : public IConnectionPoint {
 public:
  IConnectionPointImpl() = default;
  IConnectionPointImpl(const IConnectionPointImpl&) = delete;
  IConnectionPointImpl& operator=(const IConnectionPointImpl&) = delete;

  HRESULT GetConnectionInterface(IID* pIID) override {
    if (!pIID) return E_POINTER;
    *pIID = *piid;
    return S_OK;
  }
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override {
    if (!ppCPC) return E_POINTER;
    *ppCPC = nullptr;
    return Owner()->_InternalQueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(ppCPC));
  }
  HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override {
    if (pdwCookie) *pdwCookie = 0;
    if (!pUnkSink || !pdwCookie) return E_POINTER;
    // Ask the sink before taking the lock: QueryInterface is a call out.
    CComPtr<IUnknown> sink;
    if (FAILED(pUnkSink->QueryInterface(*piid, reinterpret_cast<void**>(&sink))) || !sink)
      return CONNECT_E_CANNOTCONNECT;
    {
      typename T::ObjectLock lock(Owner());
      if (m_adviseLimit != 0 && m_connections.size() >= m_adviseLimit) return CONNECT_E_ADVISELIMIT;
      DWORD cookie = NextCookie();
      m_connections.push_back({cookie, std::move(sink)});
      *pdwCookie = cookie;
    }
    return S_OK;
  }
  HRESULT Unadvise(DWORD dwCookie) override {
    CComPtr<IUnknown> released;  // let go after the lock
    {
      typename T::ObjectLock lock(Owner());
      for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->cookie == dwCookie) {
          released = std::move(it->sink);
          m_connections.erase(it);
          break;
        }
      }
    }
    return released ? S_OK : CONNECT_E_NOCONNECTION;
  }
  HRESULT EnumConnections(IEnumConnections** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    std::vector<CopyPolicyConnectData::Stored> items;
    {
      typename T::ObjectLock lock(Owner());
      items.reserve(m_connections.size());
      for (const auto& c : m_connections) items.push_back({c.sink, c.cookie});
    }
    return CreateEnumerator<IEnumConnections, CopyPolicyConnectData>(std::move(items), ppEnum);
  }

  // At most n sinks at once (0: no limit); more Advise calls get CONNECT_E_ADVISELIMIT.
  void SetAdviseLimit(size_t n) {
    typename T::ObjectLock lock(Owner());
    m_adviseLimit = n;
  }
  size_t GetConnectionCount() {
    typename T::ObjectLock lock(Owner());
    return m_connections.size();
  }
  // The connected sinks, each with a reference, in the order they were advised. I must be the
  // interface the point's IID names (each sink was queried for it).
  template <class I = IUnknown>
  std::vector<CComPtr<I>> GetSinks() {
    std::vector<CComPtr<I>> sinks;
    typename T::ObjectLock lock(Owner());
    sinks.reserve(m_connections.size());
    for (const auto& c : m_connections) sinks.emplace_back(static_cast<I*>(c.sink.p));
    return sinks;
  }
  // Calls f(I*) for every sink of a snapshot, without the lock held.
  template <class I, class F>
  void ForEachSink(F&& f) {
    for (const CComPtr<I>& sink : GetSinks<I>()) f(sink.p);
  }
  // Drops every connection (an object being disconnected from its clients).
  void UnadviseAll() {
    std::vector<Connection> dropped;
    {
      typename T::ObjectLock lock(Owner());
      dropped.swap(m_connections);
    }
  }

 protected:
  ~IConnectionPointImpl() = default;

 private:
  struct Connection {
    DWORD cookie;
    CComPtr<IUnknown> sink;
  };

  T* Owner() { return static_cast<T*>(this); }
  DWORD NextCookie() {
    if (++m_lastCookie == 0) ++m_lastCookie;  // 0 is never a cookie
    return m_lastCookie;
  }

  std::vector<Connection> m_connections;
  DWORD m_lastCookie = 0;
  size_t m_adviseLimit = 0;
};

template <class T>
class IConnectionPointContainerImpl : public IConnectionPointContainer {
 public:
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    std::vector<CComPtr<IConnectionPoint>> points;
    for (const CONNECTION_POINT_MAP_ENTRY* e = T::_GetConnectionPointMap(); e->get; ++e)
      points.emplace_back(e->get(static_cast<T*>(this)));
    return CreateEnumerator<IEnumConnectionPoints, CopyPolicyInterface<IConnectionPoint>>(std::move(points), ppEnum);
  }
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    for (const CONNECTION_POINT_MAP_ENTRY* e = T::_GetConnectionPointMap(); e->get; ++e) {
      IConnectionPoint* point = e->get(static_cast<T*>(this));
      IID iid;
      if (SUCCEEDED(point->GetConnectionInterface(&iid)) && iid == riid) {
        point->AddRef();
        *ppCP = point;
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }

 protected:
  ~IConnectionPointContainerImpl() = default;
};
