#include "app/wx/OptionsPage.h"

COptionsPage::COptionsPage(wxWindow* parent, const wxString& caption, int startMode, bool connected)
    : wxPanel(parent, wxID_ANY), m_caption(caption), m_nStartMode(startMode), m_bConnected(connected) {}
