// The proxy of one device of the LON database with its NVs, functional blocks and own CPs.
#pragma once

#include <deque>
#include <vector>

#include "foundation/LonAddress.h"
#include "lon/ConfigProperty.h"
#include "lon/LonFunctionalBlock.h"
#include "lon/NetworkVariable.h"
#include "platform/com/DispatchDriver.h"

class CLonNode {
 public:
  // Builds the whole record; a failing control call throws and leaves nothing behind.
  static CLonNode* Create(const COleDispatchDriver& node);
  explicit CLonNode(const COleDispatchDriver& node);
  CLonNode(const CLonNode&) = delete;
  CLonNode& operator=(const CLonNode&) = delete;
  ~CLonNode();

  CString GetLocation();
  CString GetName();
  CString GetProgramId();
  CString GetNeuronId();
  CString GetNeuronIdText();
  bool IsRouter();
  bool InvertsDirection();
  CLonAddress GetDomainAddress(short index);
  COleDispatchDriver GetStatusObject();
  COleDispatchDriver GetRouterObject();
  std::deque<CNetworkVariable*> GetNVs() const { return m_nvs; }
  std::deque<CLonFunctionalBlock*> GetBlocks() const { return m_blocks; }
  // All NVs of the node for block index -1, none otherwise.
  std::deque<CNetworkVariable*> GetBlockNVs(const CLonFunctionalBlock& block) const;
  // Empties the links of every NV and CP of the device (its tags then have no data point).
  void DetachDataPoints();

  COleDispatchDriver m_dispatch;
  std::deque<CNetworkVariable*> m_nvs;
  std::deque<CLonFunctionalBlock*> m_blocks;
  std::deque<CConfigProperty*> m_cps;

 private:
  void Build();
  void DeleteRecords();
};
