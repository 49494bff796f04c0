// The scan progress window: made without a parent at the first line it shows, gone at the end
// of the scan.
#pragma once

#include "lon/LonGuiLinks.h"
#include "views/models/ScanWindowModel.h"

class wxDialog;
class wxStaticText;

class CScanWnd : public CScanWindowLink {
 public:
  CScanWnd();
  ~CScanWnd() override;
  void SetNode(const CString& neuronId, short node, short count) override;
  void SetDomain(const CString& domain) override;
  void Close() override;
  wxDialog* GetWindow() const { return m_pWindow; }

 private:
  void Create();
  void Refresh();
  CScanWindowModel m_model;
  wxDialog* m_pWindow = nullptr;
  wxStaticText* m_pDomain = nullptr;
  wxStaticText* m_pNode = nullptr;
};
