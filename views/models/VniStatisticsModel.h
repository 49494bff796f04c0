// The "VNI Engine Statistics" dialog: the count of invalid responses (reset by "Reset") and
// the real count of parallel transactions. Without a document it reads nothing.
#pragma once

class CDoc;

class CVniStatisticsModel {
 public:
  explicit CVniStatisticsModel(CDoc* doc) : m_pDoc(doc) {}
  void OnInitDialog();
  void OnReset();
  int m_nInvalidResponses = 0;
  unsigned m_nParallelTransactions = 0;

 private:
  CDoc* m_pDoc;
};
