#include <gtest/gtest.h>

#include <map>

#include "views/models/ResizableLayout.h"

using namespace layout;

namespace {

// A form designed at 200 x 100, shown at that size, then resized.
class ResizableLayoutTest : public ::testing::Test {
 protected:
  CLayoutControl& Add(int id, const wchar_t* className, DWORD style, RECT rect) {
    CLayoutControl& control = m_controls[id];
    control.id = id;
    control.className = className;
    control.style = style;
    control.rect = rect;
    return control;
  }
  CResizableLayout::Lookup Lookup() {
    return [this](int id) -> const CLayoutControl* {
      auto found = m_controls.find(id);
      return found == m_controls.end() ? nullptr : &found->second;
    };
  }
  std::vector<CResizableLayout::CMove> Resize(LONG width, LONG height) {
    return m_layout.OnSize(RECT{0, 0, width, height}, Lookup());
  }
  std::map<int, CLayoutControl> m_controls;
  CResizableFormLayout m_layout{200, 100};
};

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(ResizableLayoutTest, AnchorsFollowTheirPercentOfTheGrowthTruncatedAndUnmovedControlsGetNoMove) {
  const UINT base = kSwpNoZOrder | kSwpNoActivate | kSwpNoOwnerZOrder;
  struct Case {
    CLayoutAnchor topLeft, bottomRight;
    RECT expected;
    UINT flags;
  };
  const Case cases[] = {
      {{0, 0}, {100, 100}, {10, 10, 231, 90}, base | kSwpNoMove},        // keeps its margins: 41 wider
      {{100, 0}, CResizableLayout::kSameAsTopLeft, {51, 10, 91, 20}, base | kSwpNoSize},  // moves by 41, keeps its size
      {{50, 0}, {50, 0}, {30, 10, 70, 20}, base | kSwpNoSize},           // half of 41 is 20
      {{0, 0}, CResizableLayout::kSameAsTopLeft, {10, 10, 50, 20}, 0},  // nothing changes: no move
  };
  int id = 1;
  for (const Case& each : cases) {
    CLayoutControl& control = Add(id++, L"Edit", 0, RECT{10, 10, 50, 20});
    if (each.expected.right == 231) control.rect = RECT{10, 10, 190, 90};
    m_layout.AnchorChild(control, each.topLeft, each.bottomRight);
  }
  m_layout.SetClientRect(RECT{0, 0, 200, 100});
  EXPECT_TRUE(m_layout.OnInitialUpdate(Lookup()).empty());
  const auto moves = Resize(241, 100);
  ASSERT_EQ(3u, moves.size());
  for (size_t i = 0; i < moves.size(); ++i) {
    EXPECT_EQ(static_cast<int>(i) + 1, moves[i].id);
    EXPECT_TRUE(Same(cases[i].expected, moves[i].rect)) << i << ": " << moves[i].rect.left << "," << moves[i].rect.right;
    EXPECT_EQ(cases[i].flags, moves[i].flags) << i;
  }
}

TEST_F(ResizableLayoutTest, SizesBeforeTheFirstUpdateArrangeNothingAndASmallerAreaLaysOutAtTheFormsSize) {
  m_layout.AnchorChild(Add(1, L"Edit", 0, RECT{10, 10, 190, 90}), {0, 0}, {100, 100});
  EXPECT_TRUE(Resize(400, 300).empty());
  EXPECT_FALSE(m_layout.IsInitDone());
  m_layout.OnInitialUpdate(Lookup());
  const auto moves = Resize(100, 50);  // smaller than the form: nothing shrinks
  EXPECT_TRUE(moves.empty());
}

TEST_F(ResizableLayoutTest, StaticTextRepaintsFullyGroupBoxesClipSiblingsAndAreErasedWithTheBackground) {
  Add(1, L"Static", 0, RECT{0, 0, 10, 10});
  CLayoutControl& group = Add(2, L"Button", kBsGroupBox, RECT{0, 0, 10, 10});
  Add(3, L"Static", 3 | kSsCenterImage, RECT{0, 0, 10, 10});
  Add(4, L"ListBox", 0, RECT{0, 0, 10, 10}).hScrollLimit = 0;
  for (int id = 1; id <= 4; ++id) m_layout.AnchorChild(m_controls[id], {0, 0}, {100, 0});
  EXPECT_EQ(kBsGroupBox | kWsClipSiblings, group.style);
  m_layout.OnInitialUpdate(Lookup());
  const auto moves = Resize(220, 100);
  ASSERT_EQ(4u, moves.size());
  EXPECT_NE(0u, moves[0].flags & kSwpNoCopyBits);
  EXPECT_EQ(0u, moves[1].flags & kSwpNoCopyBits);
  EXPECT_EQ(0u, moves[3].flags & kSwpNoCopyBits);  // a list box without a scroll limit
  const auto clips = m_layout.ClipChildrenAreas(Lookup());
  ASSERT_EQ(4u, clips.size());
  EXPECT_FALSE(clips[0].leftOut);  // text
  EXPECT_FALSE(clips[1].leftOut);  // group box
  EXPECT_FALSE(clips[2].leftOut);  // centred icon
  EXPECT_TRUE(clips[3].leftOut);
}

TEST(ResizableLayoutRulesTest, ClippingAndRepaintByClassAndType) {
  struct Probe : CResizableFormLayout {
    Probe() : CResizableFormLayout(0, 0) {}
  } probe;
  struct Case {
    const wchar_t* className;
    DWORD style;
    bool clip, repaint;
  };
  const Case cases[] = {
      {L"ToolbarWindow32", kTbStyleTransparent, false, false}, {L"ToolbarWindow32", 0, true, false},
      {L"Static", 3, true, false},  {L"Static", 15, true, true},   {L"Static", 15 | kSsCenterImage, false, true},
      {L"Static", 5, true, false},  {L"Static", 14, true, true},   {L"Static", 11, false, false},
      {L"Static", 7, false, false}, {L"Static", 7 | kSsCenterImage, false, true}, {L"Edit", 0, true, false},
  };
  for (const Case& each : cases) {
    CLayoutControl control;
    control.className = each.className;
    control.style = each.style;
    EXPECT_EQ(each.clip, probe.CanClipChild(control)) << each.className << " " << each.style;
    EXPECT_EQ(each.repaint, probe.ChildNeedsFullRepaint(control)) << each.className << " " << each.style;
  }
}

}  // namespace
