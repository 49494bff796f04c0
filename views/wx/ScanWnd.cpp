#include "views/wx/ScanWnd.h"

#include <wx/activityindicator.h>
#include <wx/artprov.h>
#include <wx/dialog.h>
#include <wx/statbmp.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "views/wx/WxText.h"

CScanWnd::CScanWnd() : m_model([this] { Create(); }) {}

CScanWnd::~CScanWnd() { Close(); }

void CScanWnd::Create() {
  m_pWindow = new wxDialog(nullptr, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSTAY_ON_TOP);
  auto* top = new wxBoxSizer(wxVERTICAL);
  m_pDomain = new wxStaticText(m_pWindow, 1176, wxString(), wxDefaultPosition, wxSize(300, -1));
  top->Add(m_pDomain, 0, wxALL, 8);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticBitmap(m_pWindow, wxID_ANY, wxArtProvider::GetBitmap(wxART_INFORMATION, wxART_MESSAGE_BOX)), 0,
           wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
  auto* busy = new wxActivityIndicator(m_pWindow, 1175);
  busy->Start();
  row->Add(busy, 0, wxRIGHT, 8);
  row->Add(new wxStaticText(m_pWindow, wxID_ANY, "Scanning..."), 0, wxALIGN_CENTER_VERTICAL);
  top->Add(row, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 8);
  m_pNode = new wxStaticText(m_pWindow, 1174, wxString(), wxDefaultPosition, wxSize(300, -1));
  top->Add(m_pNode, 0, wxALL, 8);
  m_pWindow->SetSizerAndFit(top);
  m_pWindow->Centre();
  m_pWindow->Show();
}

void CScanWnd::SetDomain(const CString& domain) {
  m_model.SetDomain(domain);
  Refresh();
}

void CScanWnd::SetNode(const CString& neuronId, short node, short count) {
  m_model.SetNode(neuronId, node, count);
  Refresh();
}

void CScanWnd::Refresh() {
  if (m_pWindow == nullptr) return;
  m_pDomain->SetLabel(views_wx::ToWx(m_model.GetDomainLine()));
  m_pNode->SetLabel(views_wx::ToWx(m_model.GetNodeLine()));
  m_pWindow->Update();
}

void CScanWnd::Close() {
  if (m_pWindow == nullptr) return;
  m_pWindow->Destroy();
  m_pWindow = nullptr;
}
