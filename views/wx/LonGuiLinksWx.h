// The device model's windows and dialogs on wxWidgets, and those the document's host opens.
#pragma once

#include <functional>

#include "lon/LonGuiLinks.h"
#include "project/DocHost.h"

class wxWindow;

class CLonGuiLinksWx : public CLonGuiLinks {
 public:
  explicit CLonGuiLinksWx(wxWindow* parent) : m_pParent(parent) {}
  // The main frame's properties pane; the shell sets it.
  std::function<void()> m_showPropertiesPane;

  std::unique_ptr<CScanWindowLink> CreateScanWindow() override;
  void ShowPropertiesPane() override;
  int ShowDeviceProperties() override;
  int RunTagDialog(CTagProperties& record) override;
  int RunReplaceNodeDialog(CString& neuronId) override;
  void ShowNodeStatusSheet(const CString& title, IDispatch* node) override;
  void ShowRouterStatusSheet(const CString& title, const CString& nearCaption, IDispatch* nearSide, const CString& farCaption,
                             IDispatch* farSide) override;

  // What the document asks its host to show.
  static int RunDeviceDialog(wxWindow* parent, CDeviceDialogRecord& record);
  static void ShowNiStatusSheet(wxWindow* parent, const CString& title, IDispatch* configuration);
  static void ShowVniStatistics(wxWindow* parent, CDoc* doc);

 private:
  wxWindow* m_pParent;
};
