// Every corpus entry and crash reproducer of one harness, run as an ordinary test, so a fault
// once found stays fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/FuzzSupport.h"

TEST(FuzzReplay, TESSALY_FUZZ_HARNESS) {
  std::vector<std::filesystem::path> entries;
  for (const auto& entry : std::filesystem::directory_iterator(TESSALY_FUZZ_CORPUS)) {
    if (entry.is_regular_file()) entries.push_back(entry.path());
  }
  std::sort(entries.begin(), entries.end());
  ASSERT_FALSE(entries.empty()) << "no corpus in " << TESSALY_FUZZ_CORPUS;
  for (const auto& path : entries) {
    SCOPED_TRACE(path.filename().string());
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(0, LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  }
}
