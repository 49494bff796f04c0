// The list of live server objects (not owning). Guarded by a lock of its own that is taken
// alone, so the shutdown walk and the close guard may read it while clients come and go.
#pragma once

#include <condition_variable>
#include <list>
#include <mutex>
#include <vector>

#include "platform/com/ComPtr.h"

class CMyOPCServer;
struct IOPCServer;

class COPCToolkitCtrl {
 public:
  void Add(CMyOPCServer* server);
  void Remove(CMyOPCServer* server);
  bool IsEmpty();
  std::vector<CMyOPCServer*> Snapshot();
  // The live servers, each with a reference of the caller's; servers still being made or
  // already on their way out are left out. Callers use them with no lock held (each is a CMyOPCServer).
  std::vector<CComPtr<IOPCServer>> ReferencedSnapshot();
  // Waits until the list is empty, at most `milliseconds`; true when it is.
  bool WaitUntilEmpty(unsigned milliseconds);

  std::list<CMyOPCServer*> m_servers;

 private:
  std::mutex m_mutex;
  std::condition_variable m_emptied;
};

COPCToolkitCtrl& GetOPCToolkitCtrl();
