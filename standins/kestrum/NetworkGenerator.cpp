#include "standins/kestrum/NetworkGenerator.h"

#include "standins/kestrum/NetworkDatabase.h"

#include <cstdio>

namespace kestrum::sim {

namespace {

struct NvTemplate {
  const wchar_t* name;
  const wchar_t* type;
  bool output;
  const wchar_t* value;
  LONG behaviour;
  double step, low, high;
};

struct CpTemplate {
  const wchar_t* name;
  const wchar_t* type;
  const wchar_t* value;
};

const NvTemplate kRoomController[] = {
    {L"nviSetpoint", L"SNVT_temp_p", false, L"21.5", kBehaviourConstant, 0, 0, 0},
    {L"nvoSpaceTemp", L"SNVT_temp_p", true, L"21.0", kBehaviourRandomWalk, 0.1, 18, 26},
    {L"nvoValve", L"SNVT_lev_percent", true, L"0", kBehaviourRamp, 1, 0, 100},
    {L"nviOccupancy", L"SNVT_switch", false, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nvoOccupancy", L"SNVT_switch", true, L"100.0 1", kBehaviourConstant, 0, 0, 0},
    {L"nvoAlarmCount", L"SNVT_count", true, L"0", kBehaviourConstant, 0, 0, 0},
    {L"nviFanSpeed", L"SNVT_lev_percent", false, L"50", kBehaviourConstant, 0, 0, 0},
    {L"nvoFanSpeed", L"SNVT_lev_percent", true, L"50", kBehaviourConstant, 0, 0, 0},
    {L"nvoRoomName", L"SNVT_str_asc", true, L"Room", kBehaviourConstant, 0, 0, 0},
    {L"nvoLastChange", L"SNVT_time_stamp", true, L"2024-01-01 00:00:00", kBehaviourConstant, 0, 0, 0},
};
const CpTemplate kRoomControllerCps[] = {{L"nciLocation", L"SNVT_str_asc", L"Room"},
                                         {L"nciMaxSendTime", L"SNVT_time_sec", L"60.0"}};

const NvTemplate kLampActuator[] = {
    {L"nviLamp1", L"SNVT_switch", false, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nviLamp2", L"SNVT_switch", false, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nviLamp3", L"SNVT_switch", false, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nviLamp4", L"SNVT_switch", false, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nvoLampFb1", L"SNVT_switch", true, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nvoLampFb2", L"SNVT_switch", true, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nvoLampFb3", L"SNVT_switch", true, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nvoLampFb4", L"SNVT_switch", true, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nvoRunHours", L"SNVT_count", true, L"100", kBehaviourRamp, 1, 0, 65535},
    {L"nvoLevel", L"SNVT_lev_percent", true, L"0", kBehaviourConstant, 0, 0, 0},
};

const NvTemplate kBlockDevice[] = {
    {L"nvoTime", L"SNVT_time_stamp", true, L"2024-01-01 12:00:00", kBehaviourConstant, 0, 0, 0},
    {L"nviText", L"SNVT_str_asc", false, L"hello", kBehaviourConstant, 0, 0, 0},
    {L"nvoLevel", L"SNVT_lev_percent", true, L"25", kBehaviourRamp, 0.5, 0, 100},
    {L"nviLevel", L"SNVT_lev_percent", false, L"25", kBehaviourConstant, 0, 0, 0},
    {L"nvoTemp", L"SNVT_temp_p", true, L"20.0", kBehaviourRandomWalk, 0.05, 15, 30},
    {L"nvoCount", L"SNVT_count", true, L"7", kBehaviourConstant, 0, 0, 0},
    {L"nviSwitch", L"SNVT_switch", false, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nvoSwitch", L"SNVT_switch", true, L"0.0 0", kBehaviourConstant, 0, 0, 0},
    {L"nvoSendTime", L"SNVT_time_sec", true, L"10.0", kBehaviourConstant, 0, 0, 0},
    {L"nvoStatusText", L"SNVT_str_asc", true, L"ok", kBehaviourConstant, 0, 0, 0},
};

template <class P>
void Fill(P& p, short index, const wchar_t* name, const wchar_t* type, const wchar_t* value, SimNode* node) {
  p.index = index;
  p.name = name;
  p.type = CLonType::Find(type);
  p.device.assign(p.type->Size(), 0);
  p.type->Parse(p.device, -1, value);
  p.node = node;
}

std::unique_ptr<SimCp> MakeCp(short index, const CpTemplate& t, SimNode* node) {
  auto cp = std::make_unique<SimCp>();
  Fill(*cp, index, t.name, t.type, t.value, node);
  return cp;
}

template <size_t N>
void AddNvs(SimNode& n, const NvTemplate (&list)[N]) {
  short index = 0;
  for (const NvTemplate& t : list) {
    auto nv = std::make_unique<SimNv>();
    Fill(*nv, index++, t.name, t.type, t.value, &n);
    nv->isOutput = t.output;
    nv->behaviour = t.behaviour;
    nv->step = t.step;
    nv->low = t.low;
    nv->high = t.high;
    n.nvs.push_back(std::move(nv));
  }
}

std::shared_ptr<SimNode> MakeNode(int i, int kind) {
  auto n = std::make_shared<SimNode>();
  n->neuronId = CNetworkGenerator::NeuronId(i);
  n->domains[0].id = {0x4B};
  n->domains[0].subnet = static_cast<BYTE>(1 + i / 100);
  n->domains[0].node = static_cast<BYTE>(1 + i % 100);
  n->domains[1].inUse = false;
  n->domains[1].subnet = 0;
  n->domains[1].node = 0;
  wchar_t buf[64];
  std::swprintf(buf, 64, L"Floor %d Room %d", i / 20 + 1, i % 20 + 1);
  n->location = buf;
  switch (kind) {
    case 0:
      std::swprintf(buf, 64, L"RC-%05d", i + 1);
      n->name = buf;
      n->programId = L"9FFFFF0501020A01";
      AddNvs(*n, kRoomController);
      for (short c = 0; c < 2; ++c) n->cps.push_back(MakeCp(c, kRoomControllerCps[c], n.get()));
      n->nvs[1]->cps.push_back(MakeCp(0, {L"nciMinSendTime", L"SNVT_time_sec", L"1.0"}, n.get()));
      break;
    case 1:
      std::swprintf(buf, 64, L"LA-%05d", i + 1);
      n->name = buf;
      n->programId = L"9FFFFF0502030B01";
      AddNvs(*n, kLampActuator);
      break;
    case 2: {
      std::swprintf(buf, 64, L"BD-%05d", i + 1);
      n->name = buf;
      n->programId = L"9FFFFF0504050D01";
      AddNvs(*n, kBlockDevice);
      auto nodeObject = std::make_unique<SimBlock>();
      nodeObject->index = -1;
      nodeObject->name = L"NodeObject";
      nodeObject->cps.push_back(MakeCp(0, {L"nciHeartbeat", L"SNVT_time_sec", L"30.0"}, n.get()));
      auto lamp = std::make_unique<SimBlock>();
      lamp->index = 0;
      lamp->name = L"Lamp";
      lamp->cps.push_back(MakeCp(0, {L"nciDefault", L"SNVT_lev_percent", L"50"}, n.get()));
      lamp->cps.push_back(MakeCp(1, {L"nciName", L"SNVT_str_asc", L"lamp"}, n.get()));
      auto sensor = std::make_unique<SimBlock>();
      sensor->index = 1;
      sensor->name = L"Sensor";
      sensor->cps.push_back(MakeCp(0, {L"nciOffset", L"SNVT_temp_p", L"0.5"}, n.get()));
      // A structured CP, so CP fields have their item IDs, tree objects and writes.
      sensor->cps.push_back(MakeCp(1, {L"nciDefaultState", L"SNVT_switch", L"50.0 1"}, n.get()));
      n->blocks.push_back(std::move(nodeObject));
      n->blocks.push_back(std::move(lamp));
      n->blocks.push_back(std::move(sensor));
      break;
    }
    default:
      std::swprintf(buf, 64, L"RT-%05d", i + 1);
      n->name = buf;
      n->programId = L"9FFFFF0503000C01";
      n->isRouter = true;
      break;
  }
  n->status.numbers[status::kVersionNumber] = 16;
  n->status.modelNumber = L"3150";
  return n;
}

}  // namespace

std::wstring CNetworkGenerator::NeuronId(int i) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"04%010X", static_cast<unsigned>(i + 1));
  return buf;
}

std::vector<std::shared_ptr<SimNode>> CNetworkGenerator::Build(const GeneratorOptions& options) {
  std::vector<std::shared_ptr<SimNode>> nodes;
  int number = 0;
  int total = options.devices + options.newDevices;
  for (int d = 0; d < total; ++d) {
    // Room controller, lamp actuator, lamp actuator, block device, and so on.
    static const int kCycle[] = {0, 1, 1, 2};
    auto n = MakeNode(number++, kCycle[d % 4]);
    n->uploaded = d < options.devices;
    nodes.push_back(std::move(n));
    if (d % 50 == 49 && d < options.devices) nodes.push_back(MakeNode(number++, 3));
  }
  return nodes;
}

bool CNetworkGenerator::Write(const std::wstring& path, const GeneratorOptions& options, std::wstring* error) {
  if (!CNetworkDatabase::Create(path, error)) return false;
  auto db = CNetworkDatabase::Open(path, error);
  if (!db) return false;
  bool ok = db->Begin();
  ok = ok && db->InsertInterface({L"LON1", L"FTT-10", L"LON1"});
  ok = ok && db->InsertInterface({L"LON3", L"TP/XF-1250", L"LON3"});
  SimDomain host;
  host.id = {0x4B};
  host.subnet = 1;
  host.node = 127;
  SimDomain unused;
  unused.inUse = false;
  ok = ok && db->InsertHostDomain(0, host) && db->InsertHostDomain(1, unused);
  for (auto& n : Build(options)) ok = ok && db->InsertNode(*n);
  ok = ok && db->Commit();
  if (!ok) *error = L"Cannot write the database: " + db->LastError();
  return ok;
}

}  // namespace kestrum::sim
