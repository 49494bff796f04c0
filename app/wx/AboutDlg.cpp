#include "app/wx/AboutDlg.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "foundation/KxModuleVersion.h"
#include "platform/win32/CString.h"

CAboutDlg::CAboutDlg(wxWindow* parent) : wxDialog(parent, 218, "About Tarn OPC Server") {
  auto* text = new wxBoxSizer(wxVERTICAL);
  text->Add(new wxStaticText(this, wxID_ANY,
                             wxString(FormatString(L"OPC Server Version %s", GetProductVersionText().GetString()).GetString())),
            0, wxBOTTOM, 6);
  text->Add(new wxStaticText(this, wxID_ANY, wxString(GetCopyrightText().GetString())));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetBitmap(wxART_INFORMATION, wxART_MESSAGE_BOX)), 0, wxALL, 10);
  row->Add(text, 1, wxALL | wxALIGN_CENTER_VERTICAL, 10);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(row, 1, wxEXPAND);
  sizer->Add(CreateStdDialogButtonSizer(wxOK), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(sizer);
  CentreOnParent();
}
