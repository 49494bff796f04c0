#include "views/wx/LonGuiLinksWx.h"

#include "project/Doc.h"
#include "views/models/DeviceDialogModel.h"
#include "views/models/TagDialogModel.h"
#include "views/wx/DeviceDialog.h"
#include "views/wx/ReplaceNodeDlg.h"
#include "views/wx/ScanWnd.h"
#include "views/wx/StatusSheets.h"
#include "views/wx/TagDialog.h"
#include "views/wx/VniStatisticsDlg.h"

std::unique_ptr<CScanWindowLink> CLonGuiLinksWx::CreateScanWindow() { return std::make_unique<CScanWnd>(); }

void CLonGuiLinksWx::ShowPropertiesPane() {
  if (m_showPropertiesPane) m_showPropertiesPane();
}

int CLonGuiLinksWx::ShowDeviceProperties() {
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? doc->OnDeviceProperties() : IDCANCEL;
}

int CLonGuiLinksWx::RunTagDialog(CTagProperties& record) {
  CTagDialogModel model(record);
  CTagDialog dialog(m_pParent, model);
  if (dialog.ShowModal() != wxID_OK) return IDCANCEL;
  record = model.GetTagProperties();
  return IDOK;
}

int CLonGuiLinksWx::RunReplaceNodeDialog(CString& neuronId) {
  CReplaceNodeDlg dialog(m_pParent, CDoc::GetDoc());
  if (dialog.ShowModal() != wxID_OK) return IDCANCEL;
  neuronId = dialog.GetNeuronId();
  return IDOK;
}

void CLonGuiLinksWx::ShowNodeStatusSheet(const CString& title, IDispatch* node) {
  CStatusSheet sheet(m_pParent, title);
  sheet.AddNodePage(node);
  sheet.Finish();
  sheet.ShowModal();
}

void CLonGuiLinksWx::ShowRouterStatusSheet(const CString& title, const CString& nearCaption, IDispatch* nearSide,
                                           const CString& farCaption, IDispatch* farSide) {
  CStatusSheet sheet(m_pParent, title);
  sheet.AddRouterSidePage(nearCaption, nearSide);
  sheet.AddRouterSidePage(farCaption, farSide);
  sheet.Finish();
  sheet.ShowModal();
}

int CLonGuiLinksWx::RunDeviceDialog(wxWindow* parent, CDeviceDialogRecord& record) {
  CDeviceDialogModel model(record, CDoc::GetDoc());
  CDeviceDialog dialog(parent, model);
  return dialog.ShowModal() == wxID_OK ? IDOK : IDCANCEL;
}

void CLonGuiLinksWx::ShowNiStatusSheet(wxWindow* parent, const CString& title, IDispatch* configuration) {
  CStatusSheet sheet(parent, title);
  sheet.AddInterfacePages(configuration);
  sheet.Finish();
  sheet.ShowModal();
}

void CLonGuiLinksWx::ShowVniStatistics(wxWindow* parent, CDoc* doc) {
  CVniStatisticsDlg dialog(parent, doc);
  dialog.ShowModal();
}
