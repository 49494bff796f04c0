#include "views/models/VniStatisticsModel.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "project/Doc.h"

void CVniStatisticsModel::OnInitDialog() {
  if (m_pDoc == nullptr) return;
  try {
    COleDispatchDriver stats = lon_dispatch::GetObject(m_pDoc->m_control, kestrum::ctl::kInterfaceStatistics);
    if (stats.m_lpDispatch != nullptr) m_nInvalidResponses = stats.GetProperty<LONG>(kestrum::vni::kInvalidResponses);
    m_nParallelTransactions = m_pDoc->m_control.GetProperty<BYTE>(kestrum::ctl::kParallelTransactions);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}

void CVniStatisticsModel::OnReset() {
  if (m_pDoc == nullptr) return;
  try {
    COleDispatchDriver stats = lon_dispatch::GetObject(m_pDoc->m_control, kestrum::ctl::kInterfaceStatistics);
    if (stats.m_lpDispatch == nullptr) return;
    stats.InvokeHelper(kestrum::vni::kReset, DISPATCH_METHOD, VT_EMPTY, nullptr);
    m_nInvalidResponses = stats.GetProperty<LONG>(kestrum::vni::kInvalidResponses);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}
