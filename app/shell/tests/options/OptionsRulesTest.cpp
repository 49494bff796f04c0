#include <gtest/gtest.h>

#include "app/shell/OptionsPageRules.h"
#include "app/shell/ShellResources.h"
#include "app/shell/StateEnabled.h"

namespace {

TEST(OptionsRules, TxTimerWarning) {
  const struct {
    int parallel;
    int txIndex;
    int throttle;
    bool tooShort;
  } cases[] = {{1, 0, 30000, false}, {2, 3, 2, true},  // 48 < 56
               {2, 4, 2, false},     {16, 15, 379, false}, {16, 99, 380, true}, {0, 0, 100, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(options::IsTxTimerTooShort(c.parallel, c.txIndex, c.throttle), c.tooShort)
        << c.parallel << "/" << c.txIndex << "/" << c.throttle;
  }
}

TEST(OptionsRules, ProtocolWindowLimits) {
  RegisterShellResources();
  const struct {
    int max;
    int opt;
    bool save;
    const wchar_t* path;
    const wchar_t* refusal;
  } cases[] = {
      {3000, 2000, false, L"", L""},
      {3000, 2500, false, L"", L"The difference between max. and opt. count of lines could be min. 1000."},
      {2000, 2500, false, L"", L"The max. count of lines has to be higher than the opt. count of lines."},
      {3000, 2000, true, L"", L"File path is empty."},
      {3000, 2000, true, L"/var/log/cut.log", L""},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(options::CheckProtocolWindow(c.max, c.opt, c.save, c.path).GetString(), c.refusal) << c.max << "/" << c.opt;
  }
  EXPECT_EQ(options::OptimumUpperBound(3000), 2000);
  EXPECT_EQ(options::MaximumLowerBound(2000), 3000);
}

TEST(OptionsRules, MasksKeepOtherBits) {
  // Unchecking "Datachange" clears bit 1 only.
  EXPECT_EQ(options::ApplyProtocolBits(1023, 0x3, 0x1), 1021);
  EXPECT_EQ(options::ApplyProtocolBits(0, 0x3C0, 0x3C0), 0x3C0);
  std::array<bool, 12> shown;
  shown.fill(true);
  EXPECT_EQ(options::ColumnMask(shown), 4095);
  shown[5] = false;
  EXPECT_EQ(options::ColumnMask(shown), 4095 & ~32);
}

TEST(OptionsRules, TimingDeleteAndTypedValues) {
  EXPECT_TRUE(options::CanDeleteTimingSetting(true, L"Mine", L"FTT-10", 3));
  EXPECT_FALSE(options::CanDeleteTimingSetting(false, L"Mine", L"FTT-10", 3));
  EXPECT_FALSE(options::CanDeleteTimingSetting(true, L"Mine", L"Mine", 3));
  EXPECT_FALSE(options::CanDeleteTimingSetting(true, L"Powerline", L"FTT-10", 3));
  EXPECT_FALSE(options::CanDeleteTimingSetting(true, L"Mine", L"FTT-10", 1));
  int value = -7;
  EXPECT_TRUE(options::ParseRangedInt(L" 30000 ", 0, 30000, value));
  EXPECT_EQ(value, 30000);
  for (const wchar_t* bad : {L"30001", L"-1", L"12a", L"", L"99999999999999999999"}) {
    EXPECT_FALSE(options::ParseRangedInt(bad, 0, 30000, value)) << bad;
  }
  EXPECT_EQ(value, 30000);
}

}  // namespace

namespace {

TEST(TimingPageState, ControlsFollowTheStartModeAndTheSelection) {
  const CString ftt(L"FTT-10"), power(L"Powerline"), mine(L"Mine");
  const struct {
    bool interactive;
    const CString* selected;
    size_t count;
    bool newButton, deleteButton, edit;
  } cases[] = {
      {true, &mine, 3, true, true, true},     // a setting of the user's, not the actual one
      {true, &ftt, 3, true, false, true},     // the built-in ones stay
      {true, &power, 3, true, false, true},
      {true, nullptr, 3, true, false, false}, // nothing selected: only New
      {false, &mine, 3, false, false, false}, // started by a client: nothing is edited
      {false, nullptr, 3, false, false, false},
  };
  for (const auto& c : cases) {
    const CStateEnabled state(c.interactive);
    const CStateEnabled::CControls controls = state.GetControls(c.selected, ftt, c.count);
    const std::string what = std::string(c.interactive ? "interactive " : "client ") + (c.selected ? "selected" : "none");
    EXPECT_EQ(controls.bNew, c.newButton) << what;
    EXPECT_EQ(controls.bDelete, c.deleteButton) << what;
    EXPECT_EQ(controls.bEdit, c.edit) << what;
    EXPECT_EQ(controls.bThrottleEditable, c.edit) << what;
    EXPECT_EQ(state.IsUpdateEnabledByChange(), c.interactive) << what;
  }
  // The actual setting itself is never deleted.
  EXPECT_FALSE(CStateEnabled(true).GetControls(&mine, mine, 3).bDelete);
}

}  // namespace
