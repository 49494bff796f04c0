// Proxy users of the open document's database manager, attached for as long as this lives and
// the document does: views that hold data points let go of them when devices are removed.
#pragma once

#include <initializer_list>
#include <vector>

#include "lon/LonDatabaseManager.h"
#include "project/Doc.h"

class CDocProxyUsers {
 public:
  CDocProxyUsers() = default;
  CDocProxyUsers(const CDocProxyUsers&) = delete;
  CDocProxyUsers& operator=(const CDocProxyUsers&) = delete;
  ~CDocProxyUsers() { Detach(); }

  // Once per document; attaching to another one leaves the first.
  void Attach(CDoc* doc, std::initializer_list<CLonProxyUser*> users) {
    if (doc == nullptr || doc == m_pDoc) return;
    Detach();
    m_users.assign(users.begin(), users.end());
    for (CLonProxyUser* user : m_users) doc->AttachProxyUser(user);
    m_pDoc = doc;
  }
  void Detach() {
    // The document may have gone first.
    if (m_pDoc != nullptr && CDoc::GetDoc() == m_pDoc)
      for (auto it = m_users.rbegin(); it != m_users.rend(); ++it) m_pDoc->DetachProxyUser(*it);
    m_pDoc = nullptr;
    m_users.clear();
  }

 private:
  CDoc* m_pDoc = nullptr;
  std::vector<CLonProxyUser*> m_users;
};
