#include "views/models/ResizableLayout.h"

#include <algorithm>

using namespace layout;

namespace {

DWORD TypeOf(const CLayoutControl& control) { return control.style & 0x1F; }
bool IsGroupBox(const CLayoutControl& control) { return control.className == L"Button" && TypeOf(control) == kBsGroupBox; }
LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace

void CResizableLayout::AnchorChild(CLayoutControl& control, CLayoutAnchor topLeft, CLayoutAnchor bottomRight) {
  if (IsGroupBox(control)) control.style |= kWsClipSiblings;
  LayoutInfo info;
  info.id = control.id;
  info.bIsListBox = control.className == L"ListBox";
  info.bNeedsRepaint = ChildNeedsFullRepaint(control);
  const RECT r = GetLayoutClientRect();
  const LONG w = Width(r);
  const LONG h = Height(r);
  if (bottomRight == kSameAsTopLeft) bottomRight = topLeft;
  const RECT& c = control.rect;
  info.topLeftAnchor = topLeft;
  info.bottomRightAnchor = bottomRight;
  info.topLeftMargin = {static_cast<int>(c.left - topLeft.cx * w / 100), static_cast<int>(c.top - topLeft.cy * h / 100)};
  info.bottomRightMargin = {static_cast<int>(c.right - bottomRight.cx * w / 100),
                            static_cast<int>(c.bottom - bottomRight.cy * h / 100)};
  m_layout.push_back(info);
}

std::vector<CResizableLayout::CMove> CResizableLayout::ArrangeChildren(const Lookup& lookup) const {
  const RECT r = GetLayoutClientRect();
  const LONG w = Width(r);
  const LONG h = Height(r);
  std::vector<CMove> moves;
  for (const LayoutInfo& info : m_layout) {
    const CLayoutControl* control = lookup(info.id);
    if (control == nullptr) continue;
    const RECT n{w * info.topLeftAnchor.cx / 100 + info.topLeftMargin.cx, h * info.topLeftAnchor.cy / 100 + info.topLeftMargin.cy,
                 w * info.bottomRightAnchor.cx / 100 + info.bottomRightMargin.cx,
                 h * info.bottomRightAnchor.cy / 100 + info.bottomRightMargin.cy};
    const RECT& c = control->rect;
    if (n.left == c.left && n.top == c.top && n.right == c.right && n.bottom == c.bottom) continue;
    bool repaint = info.bNeedsRepaint;
    if (info.bIsListBox) {
      const int limit = control->hScrollLimit;
      repaint = limit > 0 && control->hScrollPos > limit - (Width(n) - Width(c));
    }
    UINT flags = kSwpNoZOrder | kSwpNoActivate | kSwpNoOwnerZOrder;
    if (repaint) flags |= kSwpNoCopyBits;
    if (n.left == c.left && n.top == c.top) flags |= kSwpNoMove;
    if (Width(n) == Width(c) && Height(n) == Height(c)) flags |= kSwpNoSize;
    moves.push_back({info.id, n, flags});
  }
  return moves;
}

std::vector<CResizableLayout::CClip> CResizableLayout::ClipChildrenAreas(const Lookup& lookup) const {
  std::vector<CClip> clips;
  for (const LayoutInfo& info : m_layout) {
    const CLayoutControl* control = lookup(info.id);
    if (control == nullptr || !control->visible) continue;
    clips.push_back({info.id, CanClipChild(*control)});
  }
  return clips;
}

bool CResizableLayout::CanClipChild(const CLayoutControl& control) const {
  const DWORD type = TypeOf(control);
  if (control.className == L"ToolbarWindow32") return (control.style & kTbStyleTransparent) == 0;
  if (control.className == L"Button") return type != kBsGroupBox;
  if (control.className != L"Static") return true;
  switch (type) {
    case 3:   // icon
    case 15:  // enhanced metafile
      return (control.style & kSsCenterImage) == 0;
    case 4:   // black, grey and white rectangles
    case 5:
    case 6:
    case 14:  // bitmap
    case 16:  // etched lines
    case 17:
      return true;
    default:
      return false;
  }
}

bool CResizableLayout::ChildNeedsFullRepaint(const CLayoutControl& control) const {
  if (control.className != L"Static") return false;
  switch (TypeOf(control)) {
    case 0:  // left, centred and right text
    case 1:
    case 2:
    case 14:  // bitmap
    case 15:  // enhanced metafile
      return true;
    case 3:   // icon
    case 11:  // simple
    case 16:  // etched lines
    case 17:
      return false;
    default:
      return (control.style & kSsCenterImage) != 0;
  }
}

std::vector<CResizableLayout::CMove> CResizableFormLayout::OnInitialUpdate(const Lookup& lookup) {
  m_bInitDone = true;
  return ArrangeChildren(lookup);
}

std::vector<CResizableLayout::CMove> CResizableFormLayout::OnSize(const RECT& client, const Lookup& lookup) {
  m_client = client;
  if (!m_bInitDone) return {};
  return ArrangeChildren(lookup);
}

RECT CResizableFormLayout::GetLayoutClientRect() const {
  RECT r = m_client;
  if (!m_bInitDone) {
    r.right = r.left + m_nDesignWidth;
    r.bottom = r.top + m_nDesignHeight;
    return r;
  }
  r.right = r.left + std::max<LONG>(Width(r), m_nDesignWidth);
  r.bottom = r.top + std::max<LONG>(Height(r), m_nDesignHeight);
  return r;
}
