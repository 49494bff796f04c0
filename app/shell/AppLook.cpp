#include "app/shell/AppLook.h"

namespace {

const CAppLook kLooks[] = {
    {210, L"Windows 2000", 0xD4D0C8, 0x0A246A, 0xA6CAF0, 0xFFFFFF, 0x808080, 0xC0C0C0, 0xD4D0C8, 0x0A246A,
     CAppLook::GradientHorizontal, false},
    {211, L"Office XP", 0xEFEDE8, 0xBBB7C7, 0xBBB7C7, 0x000000, 0xDBD8D1, 0xDBD8D1, 0x404040, 0xB6BDD2,
     CAppLook::GradientNone, false},
    {212, L"Windows XP", 0xECE9D8, 0x0054E3, 0x3D95FF, 0xFFFFFF, 0x7A96DF, 0xA6BCF0, 0xD8E4F8, 0x316AC5,
     CAppLook::GradientVertical, false},
    {213, L"Office 2003", 0xC4DAFA, 0x3B80ED, 0x033894, 0xFFFFFF, 0x9EBEF5, 0xC4DAFA, 0x15428B, 0xFFD38C,
     CAppLook::GradientVertical, true},
    {214, L"Visual Studio 2005", 0xECE9D8, 0x3169C6, 0x5D8CE0, 0xFFFFFF, 0xCCC7BA, 0xE5E2D8, 0x000000, 0xC1D2EE,
     CAppLook::GradientHorizontal, true},
    {215, L"Office 2007 (Blue Style)", 0xBFDBFF, 0x6593CF, 0xD8E7FC, 0x15428B, 0xC4D9F3, 0xE3EFFF, 0x15428B, 0xFFE58D,
     CAppLook::GradientVertical, true},
    {216, L"Office 2007 (Black Style)", 0x535353, 0x363636, 0x787878, 0xFFFFFF, 0x5F5F5F, 0x8A8A8A, 0xE0E0E0, 0xFFC45C,
     CAppLook::GradientVertical, true},
    {217, L"Office 2007 (Silver Style)", 0xD0D4DD, 0xA0A7B6, 0xE8EAEE, 0x3B3B3B, 0xC6CAD3, 0xEEF0F3, 0x4C535C, 0xFFE58D,
     CAppLook::GradientVertical, true},
    {218, L"Office 2007 (Aqua Style)", 0xC4D3E1, 0x5D80A4, 0xD6E3EE, 0xFFFFFF, 0xB5C7D8, 0xE3ECF4, 0x2E4C6B, 0xFFE58D,
     CAppLook::GradientVertical, true},
};

}  // namespace

const CAppLook& CAppLook::ForId(int id) {
  if (id < kFirst || id > kLast) return kLooks[215 - kFirst];
  return kLooks[id - kFirst];
}
