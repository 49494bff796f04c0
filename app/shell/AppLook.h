// The application looks 210-218 of the View menu: the colours and caption gradients the main
// window's docking art, tabs and tool bars take for each, and whether docking is smart.
#pragma once

#include <cstdint>

class CAppLook {
 public:
  enum Gradient : int { GradientNone = 0, GradientVertical = 1, GradientHorizontal = 2 };
  static constexpr int kFirst = 210;
  static constexpr int kLast = 218;

  // The look of an id; any other id looks like the Office 2007 group's first style.
  static const CAppLook& ForId(int id);

  int m_nId;
  const wchar_t* m_pszName;
  // Colours as 0xRRGGBB.
  std::uint32_t m_background;
  std::uint32_t m_activeCaption;
  std::uint32_t m_activeCaptionGradient;
  std::uint32_t m_activeCaptionText;
  std::uint32_t m_inactiveCaption;
  std::uint32_t m_inactiveCaptionGradient;
  std::uint32_t m_inactiveCaptionText;
  std::uint32_t m_highlight;
  Gradient m_gradient;
  bool m_bSmartDocking;
};
