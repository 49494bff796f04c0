// The interface's statistics page: its counters as rows, read once.
#pragma once

#include "platform/com/DispatchDriver.h"
#include "views/models/StatusPageModel.h"

class CNodeStatisticModel {
 public:
  explicit CNodeStatisticModel(IDispatch* configuration) : m_config(configuration, TRUE) {
    if (configuration != nullptr) configuration->AddRef();
  }
  void Read();
  const CStatusRows& Rows() const { return m_rows; }

 private:
  COleDispatchDriver m_config;
  CStatusRows m_rows;
};
