// Connect and Open against the simulated control, with the user's answers scripted.
#include <filesystem>
#include <fstream>

#include "lon/CookieTable.h"
#include "lon/NetworkVariable.h"
#include "lon/tests/network/LonNetworkFixture.h"

namespace lon_network_testing {
namespace {

using kestrum::testing::CKestrumEnvironment;

enum class PathKind { Database, Empty, Missing, Uncreatable, Unreadable };

struct OpenCase {
  const char* name;
  int mode;
  PathKind path;
  const wchar_t* interfaceName;
  const wchar_t* hostInterfaceName;
  std::vector<int> answers;
  bool opened;
  std::vector<CString> boxes;
  size_t nodes;
};

const CString kNotDefinedQuestion = L"Database path is not defined. Do you want continue?";
const CString kCreateQuestion =
    L"The database does not exist. Do you want continue?\nIf you select 'Yes' the program tries to create new database.";
const CString kStillMissingQuestion = L"The database does not exist. Do you want continue?";

const OpenCase kOpenCases[] = {
    {"SimulateAsksNothing", LonModeSimulate, PathKind::Database, L"", L"", {}, true, {}, 4},
    {"SimulateEmptyPath", LonModeSimulate, PathKind::Empty, L"", L"", {}, false, {L"Database path is not defined."}, 0},
    {"SimulateMissingFile", LonModeSimulate, PathKind::Missing, L"", L"", {}, false, {L"The database does not exist."}, 0},
    {"AutoOpens", LonModeAuto, PathKind::Database, L"LON1", L"", {}, true, {}, 4},
    {"UploadNewFindsTheNewDevices", LonModeUploadNew, PathKind::Database, L"LON1", L"LON2", {}, true, {}, 6},
    {"MissingInterface", LonModeAuto, PathKind::Database, L"LON9", L"", {}, false, {L"Network interface defined wrong"}, 0},
    {"MissingHostInterface", LonModeAuto, PathKind::Database, L"LON1", L"LON9", {}, false,
     {L"Host application network interface defined wrong"}, 0},
    {"EmptyPathNo", LonModeAuto, PathKind::Empty, L"LON1", L"", {IDNO}, false, {kNotDefinedQuestion}, 0},
    {"EmptyPathYesOpensAnEmptyNetwork", LonModeAuto, PathKind::Empty, L"LON1", L"", {IDYES}, true, {kNotDefinedQuestion}, 0},
    {"MissingNo", LonModeUploadAll, PathKind::Missing, L"LON1", L"", {IDNO}, false, {kCreateQuestion}, 0},
    {"MissingYesCreates", LonModeUploadAll, PathKind::Missing, L"LON1", L"", {IDYES}, true, {kCreateQuestion}, 0},
    {"UncreatableYesNo", LonModeAuto, PathKind::Uncreatable, L"LON1", L"", {IDYES, IDNO}, false,
     {kCreateQuestion, kStillMissingQuestion}, 0},
    {"UncreatableYesYesOpensWithoutPath", LonModeAuto, PathKind::Uncreatable, L"LON1", L"", {IDYES, IDYES}, true,
     {kCreateQuestion, kStillMissingQuestion}, 0},
    {"UnreadableFile", LonModeAuto, PathKind::Unreadable, L"LON1", L"", {}, false, {L"Unspecified error."}, 0},
};

class OpenTest : public LonNetworkTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenTest, AsksAndOpensAsTheModeSays) {
  const OpenCase& c = GetParam();
  std::wstring path;
  switch (c.path) {
    case PathKind::Database: path = env.DatabasePath(); break;
    case PathKind::Empty: break;
    case PathKind::Missing: path = env.MissingDatabasePath(); break;
    case PathKind::Uncreatable: path = env.Root().PathW() + L"/no/such/folder/net.db"; break;
    case PathKind::Unreadable:
      path = env.Root().PathW() + L"/garbage.db";
      std::ofstream(std::filesystem::path(path)) << "not a database";
      break;
  }
  for (int answer : c.answers) env.Prompts().Answer(answer);
  EXPECT_EQ(c.opened, manager->Open(c.mode, path.c_str(), c.interfaceName, c.hostInterfaceName));
  EXPECT_EQ(c.boxes, env.Prompts().Texts());
  EXPECT_EQ(0u, env.Prompts().PendingAnswers());
  EXPECT_EQ(c.opened, manager->IsConnected());
  EXPECT_EQ(c.nodes, manager->GetNodes().size());
  Pump();
  // Simulate never looks an interface up or sets one.
  LONG lookups = Calls(kestrum::kObjControl, L"", kestrum::ctl::kInterfaces);
  if (c.mode == LonModeSimulate) {
    EXPECT_EQ(0, lookups);
  }
  LONG hostPuts = Calls(kestrum::kObjControl, L"", kestrum::ctl::kHostInterface);
  if (c.opened) {
    EXPECT_EQ(c.hostInterfaceName[0] != 0 ? 1 : 0, hostPuts);
  }
  if (c.path == PathKind::Missing && c.opened) {
    EXPECT_TRUE(std::filesystem::exists(path));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenTest, ::testing::ValuesIn(kOpenCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LonNetworkTest, AFailingOpenCallIsShownAndLeavesTheControlAdvised) {
  ASSERT_EQ(S_OK, sim->FailCall(kestrum::kObjControl, L"", kestrum::ctl::kOpen, L"Database locked", 1));
  EXPECT_FALSE(OpenSimulated());
  EXPECT_EQ(std::vector<CString>{L"Database locked"}, env.Prompts().Texts());
  EXPECT_FALSE(manager->IsConnected());
  // Still advised: an event reaches the sink.
  ASSERT_EQ(S_OK, sim->RaiseInfo(2, L"", L"still here"));
  Pump();
  EXPECT_EQ(std::vector<CString>{L"still here"}, texts.Take());
}

class RecordingProxyUser : public CLonProxyUser {
 public:
  void OnNodesRemoving(const std::list<CLonNode*>& nodes) override { removed.push_back(nodes.size()); }
  std::vector<size_t> removed;
};

TEST_F(LonNetworkTest, ConnectDropsEveryRecordBeforeTheControlIsMadeAgain) {
  RecordingProxyUser user;
  manager->AttachProxyUser(&user);
  ASSERT_TRUE(OpenSimulated());
  ASSERT_EQ(4u, manager->GetNodes().size());
  DWORD cookie = manager->GetNodes().front()->m_nvs.front()->GetCookie();
  ASSERT_NE(nullptr, CNetworkVariable::FromCookie(cookie));
  IDispatch* before = manager->m_control.m_lpDispatch;
  before->AddRef();
  CComPtr<kestrum::IKestrumSimulation> oldSim = sim;

  Reconnect();
  EXPECT_NE(before, manager->m_control.m_lpDispatch);
  before->Release();
  EXPECT_EQ(1, [&] { LONG n = 0; oldSim->GetCallCount(kestrum::kObjControl, L"", kestrum::ctl::kClose, &n); return n; }());
  EXPECT_FALSE(manager->IsConnected());
  EXPECT_TRUE(manager->GetNodes().empty());
  EXPECT_EQ(std::vector<size_t>{4}, user.removed);
  EXPECT_EQ(nullptr, CNetworkVariable::FromCookie(cookie));
  EXPECT_EQ(nullptr, manager->CreateTagFromItemID(kSetpoint));
  EXPECT_EQ(nullptr, manager->GetTagTree(0, L"Project"));
  // The new control is advised and opens as the first did.
  ASSERT_TRUE(OpenSimulated());
  EXPECT_EQ(4u, manager->GetNodes().size());
  ASSERT_EQ(S_OK, sim->RaiseInfo(0, L"040000000002", L""));
  Pump();
  EXPECT_EQ(std::vector<CString>{L"Lifecheck event -> node: 040000000002"}, texts.Take());
  manager->DetachProxyUser(&user);
}

TEST_F(LonNetworkTest, RefreshAndClearNodesFollowTheNetwork) {
  ASSERT_TRUE(OpenSimulated());
  std::vector<CString> ids;
  for (CLonNode* node : manager->GetNodes()) ids.push_back(node->GetNeuronId());
  ASSERT_EQ(4u, ids.size());
  EXPECT_EQ(CString(kRoomController), ids[0]);
  EXPECT_EQ(CString(kSetpoint), manager->GetNodes().front()->m_nvs.front()->GetItemID());

  manager->ClearNodes();
  EXPECT_TRUE(manager->GetNodes().empty());
  manager->RefreshNodes();
  ASSERT_EQ(4u, manager->GetNodes().size());
  std::vector<CString> again;
  for (CLonNode* node : manager->GetNodes()) again.push_back(node->GetNeuronId());
  EXPECT_EQ(ids, again);
  // The cookies written now lead to the new records.
  CNetworkVariable* nv = manager->GetNodes().front()->m_nvs.front();
  EXPECT_EQ(nv, CNetworkVariable::FromCookie(nv->GetCookie()));
}

TEST(LonDatabaseManagerAlone, WithoutTheControlConnectSaysSo) {
  tessaly::testing::TempMachineRoot root;
  auto prompts = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter scope(prompts);
  CLonDatabaseManager manager;
  EXPECT_EQ(nullptr, manager.m_control.m_lpDispatch);
  EXPECT_EQ(std::vector<CString>{L"Cannot connect KESTRUM.KESTRUMCtrl.3"}, prompts->Texts());
  EXPECT_FALSE(manager.Open(LonModeSimulate, L"x.db", L"", L""));
  EXPECT_EQ(nullptr, manager.CreateTagFromItemID(kSetpoint));
}

}  // namespace
}  // namespace lon_network_testing
