// Anchors child controls to points of a window's client area given in percent, and works out
// where each goes when the window changes size. The window toolkit's sizers place the controls;
// this keeps the arithmetic and the repaint and clipping rules of each kind of control, so a
// form that anchors its controls behaves the same on every size.
#pragma once

#include <functional>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

namespace layout {
constexpr DWORD kWsClipSiblings = 0x04000000;
constexpr DWORD kBsGroupBox = 7;
constexpr DWORD kTbStyleTransparent = 0x8000;
constexpr DWORD kSsCenterImage = 0x200;
constexpr UINT kSwpNoSize = 0x0001;
constexpr UINT kSwpNoMove = 0x0002;
constexpr UINT kSwpNoZOrder = 0x0004;
constexpr UINT kSwpNoActivate = 0x0010;
constexpr UINT kSwpNoCopyBits = 0x0100;
constexpr UINT kSwpNoOwnerZOrder = 0x0200;
}  // namespace layout

// A control as the layout sees it.
struct CLayoutControl {
  int id = 0;
  CString className;  // "Button", "Static", "ListBox", ...
  DWORD style = 0;
  RECT rect{};  // in the layout window's client coordinates
  bool visible = true;
  int hScrollLimit = 0;  // list boxes
  int hScrollPos = 0;
};

struct CLayoutAnchor {
  int cx = 0;  // percent of the client width
  int cy = 0;  // percent of the client height
  friend bool operator==(const CLayoutAnchor&, const CLayoutAnchor&) = default;
};

class CResizableLayout {
 public:
  struct LayoutInfo {
    int id = 0;
    bool bIsListBox = false;
    bool bNeedsRepaint = false;
    CLayoutAnchor topLeftAnchor, topLeftMargin, bottomRightAnchor, bottomRightMargin;
  };
  struct CMove {
    int id;
    RECT rect;
    UINT flags;
  };
  struct CClip {
    int id;
    bool leftOut;  // true: the erase leaves the area out; false: it is erased with the background
  };
  // Looks up a control's current state by id.
  using Lookup = std::function<const CLayoutControl*(int id)>;

  static constexpr CLayoutAnchor kSameAsTopLeft{-1, -1};

  virtual ~CResizableLayout() = default;

  // A group box gains WS_CLIPSIBLINGS, so the control's style may change.
  void AnchorChild(CLayoutControl& control, CLayoutAnchor topLeft, CLayoutAnchor bottomRight = kSameAsTopLeft);
  // The moves for the current client area; controls already in place make none.
  std::vector<CMove> ArrangeChildren(const Lookup& lookup) const;
  // What the background erase does with each visible anchored control.
  std::vector<CClip> ClipChildrenAreas(const Lookup& lookup) const;

  virtual bool CanClipChild(const CLayoutControl& control) const;
  virtual bool ChildNeedsFullRepaint(const CLayoutControl& control) const;
  // The area the anchors refer to.
  virtual RECT GetLayoutClientRect() const = 0;

  const std::vector<LayoutInfo>& GetLayout() const { return m_layout; }

 private:
  std::vector<LayoutInfo> m_layout;
};

// A form's layout: nothing is arranged before the first update, and until then the anchors
// measure against the form as designed; afterwards a client area smaller than the form lays out
// at the form's size.
class CResizableFormLayout : public CResizableLayout {
 public:
  CResizableFormLayout(int designWidth, int designHeight) : m_nDesignWidth(designWidth), m_nDesignHeight(designHeight) {}
  void SetClientRect(const RECT& client) { m_client = client; }
  std::vector<CMove> OnInitialUpdate(const Lookup& lookup);
  // A size message.
  std::vector<CMove> OnSize(const RECT& client, const Lookup& lookup);
  RECT GetLayoutClientRect() const override;
  bool IsInitDone() const { return m_bInitDone; }

 private:
  int m_nDesignWidth;
  int m_nDesignHeight;
  RECT m_client{};
  bool m_bInitDone = false;
};
