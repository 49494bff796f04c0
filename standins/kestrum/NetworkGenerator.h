// Builds network databases from a few device templates: a room controller, a lamp actuator,
// a device with functional blocks and CPs, and a router between two channels (one per 50
// devices). Every device has 10 NVs, so n devices give 10 n NVs.
#pragma once

#include "standins/kestrum/SimModel.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrum::sim {

struct GeneratorOptions {
  int devices = 8;      // devices with NVs (routers come on top)
  int newDevices = 0;   // further devices on the wire, not uploaded yet (found by "UploadNew")
};

class CNetworkGenerator {
 public:
  // The devices, numbered from 0: device i has Neuron ID 04 followed by i + 1 in ten hex
  // digits, domain 4B, subnet 1 + i / 100, node 1 + i % 100.
  static std::vector<std::shared_ptr<SimNode>> Build(const GeneratorOptions& options);
  // Writes a new database file; false (with the reason) when it exists already or fails.
  static bool Write(const std::wstring& path, const GeneratorOptions& options, std::wstring* error);
  // The Neuron ID of device i.
  static std::wstring NeuronId(int i);
};

}  // namespace kestrum::sim
