// The list of live server objects (not owning). Guarded by a lock of its own that is taken
// alone, so the shutdown walk and the close guard may read it while clients come and go.
#pragma once

#include <list>
#include <mutex>
#include <vector>

class CMyOPCServer;

class COPCToolkitCtrl {
 public:
  void Add(CMyOPCServer* server);
  void Remove(CMyOPCServer* server);
  bool IsEmpty();
  std::vector<CMyOPCServer*> Snapshot();

  std::list<CMyOPCServer*> m_servers;

 private:
  std::mutex m_mutex;
};

COPCToolkitCtrl& GetOPCToolkitCtrl();
