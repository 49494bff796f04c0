#include "standins/kestrum/SimModel.h"

namespace kestrum::sim {

std::wstring HexText(const std::vector<BYTE>& bytes) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring s;
  s.reserve(bytes.size() * 2);
  for (BYTE b : bytes) {
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}

bool HexBytes(const std::wstring& text, std::vector<BYTE>* out) {
  std::wstring t = text.size() % 2 ? L"0" + text : text;
  std::vector<BYTE> bytes;
  for (size_t i = 0; i < t.size(); i += 2) {
    int v = 0;
    for (size_t j = 0; j < 2; ++j) {
      wchar_t c = t[i + j];
      int d = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + d;
    }
    bytes.push_back(static_cast<BYTE>(v));
  }
  *out = std::move(bytes);
  return true;
}

std::wstring ItemIdStem(const SimNode& node) {
  const SimDomain& d = node.domains[0];
  return HexText(d.id) + L"." + std::to_wstring(d.subnet) + L"." + std::to_wstring(d.node);
}

}  // namespace kestrum::sim
