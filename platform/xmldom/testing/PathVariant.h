// A VARIANT naming a file for CXmlDomDocument::load and save, as callers pass it; owns its BSTR.
// For tests, benchmarks and fuzz harnesses.
#pragma once

#include <filesystem>
#include <string>

#include "platform/com/Bstr.h"

namespace tessaly::testing {

struct PathVariant {
  explicit PathVariant(const std::string& path) {
    v.vt = VT_BSTR;
    v.bstrVal = tessaly::SysAllocStringView(std::filesystem::path(path).wstring());
  }
  ~PathVariant() { SysFreeString(v.bstrVal); }
  PathVariant(const PathVariant&) = delete;
  PathVariant& operator=(const PathVariant&) = delete;
  VARIANT v{};
};

}  // namespace tessaly::testing
