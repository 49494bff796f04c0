#include "KestrumFixture.h"

#include <sstream>

namespace kestrum::testing {
namespace {

std::vector<std::wstring> LogLines(IKestrumSimulation* simulation) {
  CComBSTR log;
  EXPECT_EQ(S_OK, simulation->GetCallLog(&log));
  std::wistringstream in(tessaly::BstrToString(log));
  std::vector<std::wstring> lines;
  for (std::wstring line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

LONG Count(IKestrumSimulation* simulation, LONG kind, const wchar_t* key, DISPID id) {
  LONG count = -1;
  EXPECT_EQ(S_OK, simulation->GetCallCount(kind, key, id, &count));
  return count;
}

// The log keeps the latest 10,000 calls, oldest first; the counts keep every call.
TEST_F(KestrumTest, TheCallLogKeepsTheLatestCallsInOrder) {
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver setpoint = Nv(kSetpoint);
  COleDispatchDriver room = Nv(kRoomName);
  ASSERT_EQ(S_OK, simulation->RecordCalls(TRUE));
  ASSERT_EQ(S_OK, simulation->ResetCalls());
  setpoint.InvokeMethod<bool>(nv::kReadDevice);
  for (int i = 0; i < 10000; ++i) room.GetProperty<std::wstring>(nv::kName);
  setpoint.SetProperty(nv::kCacheTimeout, VT_I4, LONG{2500});

  std::vector<std::wstring> lines = LogLines(simulation);
  ASSERT_EQ(10000u, lines.size());
  EXPECT_EQ(L"nv 4B.1.1.8 get 8", lines.front());
  EXPECT_EQ(L"nv 4B.1.1.0 put " + std::to_wstring(nv::kCacheTimeout), lines.back());
  EXPECT_EQ(1, Count(simulation, kObjNv, kSetpoint.c_str(), nv::kReadDevice));
  EXPECT_EQ(10000, Count(simulation, kObjNv, kRoomName.c_str(), nv::kName));
  EXPECT_EQ(10000, Count(simulation, kObjNv, nullptr, nv::kName));
  EXPECT_EQ(0, Count(simulation, kObjNv, L"4B.1.1.99", nv::kName));

  ASSERT_EQ(S_OK, simulation->ResetCalls());
  EXPECT_TRUE(LogLines(simulation).empty());
  EXPECT_EQ(0, Count(simulation, kObjNv, kRoomName.c_str(), nv::kName));
  room.GetProperty<std::wstring>(nv::kName);
  EXPECT_EQ(std::vector<std::wstring>{L"nv 4B.1.1.8 get 8"}, LogLines(simulation));
  EXPECT_EQ(1, Count(simulation, kObjNv, kRoomName.c_str(), nv::kName));
}

// A call counts under the key its object has when it is made.
TEST_F(KestrumTest, CallsCountUnderTheKeyOfTheirTime) {
  ASSERT_EQ(0, Open(kModeSimulate));
  ASSERT_EQ(S_OK, simulation->RecordCalls(TRUE));
  COleDispatchDriver network = Network();
  COleDispatchDriver node(network.GetPropertyWithParams<CComPtr<IDispatch>>(net::kNode, short{0}).Detach());
  ASSERT_EQ(kRoomController, node.GetProperty<std::wstring>(node::kNeuronId));
  const std::wstring name = node.GetProperty<std::wstring>(node::kName);
  node.InvokeMethod<short>(node::kReplace, std::wstring(L"0400000000AA"));
  node.GetProperty<std::wstring>(node::kName);
  node.GetProperty<std::wstring>(node::kName);

  EXPECT_EQ(1, Count(simulation, kObjNode, kRoomController.c_str(), node::kName));
  EXPECT_EQ(2, Count(simulation, kObjNode, L"0400000000AA", node::kName));
  EXPECT_EQ(3, Count(simulation, kObjNode, nullptr, node::kName));
  std::vector<std::wstring> lines = LogLines(simulation);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(L"node 0400000000AA get 2", lines.back());
  EXPECT_EQ(L"node " + kRoomController + L" method 17", lines[lines.size() - 3]);

  // A failure aimed at the new key takes the call; the old key no longer matches.
  simulation->FailCall(kObjNode, kRoomController.c_str(), node::kName, L"old", -1);
  EXPECT_EQ(name, node.GetProperty<std::wstring>(node::kName));
  simulation->FailCall(kObjNode, L"0400000000AA", node::kName, L"new", 1);
  EXPECT_THROW(node.GetProperty<std::wstring>(node::kName), COleDispatchException);
}

// Calls are recorded only while a test asks; an injected failure takes its call either way.
TEST_F(KestrumTest, CallsAreRecordedOnlyWhileAsked) {
  ASSERT_EQ(0, Open(kModeSimulate));
  COleDispatchDriver room = Nv(kRoomName);
  const std::wstring name = room.GetProperty<std::wstring>(nv::kName);
  EXPECT_EQ(0, Count(simulation, kObjNv, kRoomName.c_str(), nv::kName));
  EXPECT_TRUE(LogLines(simulation).empty());

  simulation->FailCall(kObjNv, kRoomName.c_str(), nv::kName, L"busy", 1);
  EXPECT_THROW(room.GetProperty<std::wstring>(nv::kName), COleDispatchException);
  EXPECT_EQ(name, room.GetProperty<std::wstring>(nv::kName));
  simulation->FailCall(kObjNv, nullptr, nv::kName, L"down", 1);
  EXPECT_THROW(room.GetProperty<std::wstring>(nv::kName), COleDispatchException);
  EXPECT_EQ(0, Count(simulation, kObjNv, nullptr, nv::kName));

  ASSERT_EQ(S_OK, simulation->RecordCalls(TRUE));
  room.GetProperty<std::wstring>(nv::kName);
  ASSERT_EQ(S_OK, simulation->RecordCalls(FALSE));
  room.GetProperty<std::wstring>(nv::kName);
  EXPECT_EQ(1, Count(simulation, kObjNv, kRoomName.c_str(), nv::kName));
  EXPECT_EQ(std::vector<std::wstring>{L"nv 4B.1.1.8 get 8"}, LogLines(simulation));
}

}  // namespace
}  // namespace kestrum::testing
