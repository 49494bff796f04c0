// The scan progress window without its window: the domain line and the node line. The window is
// made and shown at the first line set.
#pragma once

#include <functional>

#include "platform/win32/CString.h"

class CScanWindowModel {
 public:
  // Creates and shows the window (once).
  using Show = std::function<void()>;

  explicit CScanWindowModel(Show show = {}) : m_show(std::move(show)) {}
  void SetDomain(const CString& domain);
  void SetNode(const CString& neuronId, short node, short count);
  const CString& GetDomainLine() const { return m_strDomain; }
  const CString& GetNodeLine() const { return m_strNode; }
  bool IsShown() const { return m_bShown; }

 private:
  void ShowOnce();

  Show m_show;
  CString m_strDomain;
  CString m_strNode;
  bool m_bShown = false;
};
