// How fast a hostile depth is refused: loading documents nested 1,000 to 100,000 levels deep
// (refused before TinyXML parses them), beside the floor of reading the same file and beside a
// flat document of the same size that is parsed whole.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/win32/Files.h"
#include "platform/xmldom/XmlDomDocument.h"
#include "platform/xmldom/testing/PathVariant.h"

namespace {

std::string FileOf(const std::string& name, const std::string& text) {
  const auto dir = std::filesystem::temp_directory_path() / ("xmldepth-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / name).string();
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string Deep(size_t levels) {
  std::string text;
  for (size_t i = 0; i < levels; ++i) text += "<a>";
  for (size_t i = 0; i < levels; ++i) text += "</a>";
  return text;
}

std::string Flat(size_t elements) {
  std::string text = "<r>";
  for (size_t i = 2; i < elements; ++i) text += "<a></a>";
  return text + "</r>";
}

void Load(benchmark::State& state, const std::string& path, HRESULT expected) {
  const tessaly::testing::PathVariant source(path);
  for (auto _ : state) {
    XmlDomDocumentPtr doc;
    CXmlDomDocument::Create(doc);
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (doc->load(source.v, &ok) != expected) state.SkipWithError("unexpected load result");
    benchmark::DoNotOptimize(ok);
  }
}

void BM_RefuseDeepDocument(benchmark::State& state) {
  Load(state, FileOf("deep.xml", Deep(static_cast<size_t>(state.range(0)))), S_FALSE);
}

void BM_ReadFileFloor(benchmark::State& state) {
  const std::string path = FileOf("floor.xml", Deep(static_cast<size_t>(state.range(0))));
  const CString name(std::filesystem::path(path).wstring().c_str());
  for (auto _ : state) {
    std::vector<BYTE> bytes;
    tessaly::win32::ReadWholeFile(name, bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
}

void BM_LoadFlatDocumentOfTheSameSize(benchmark::State& state) {
  Load(state, FileOf("flat.xml", Flat(static_cast<size_t>(state.range(0)))), S_OK);
}

BENCHMARK(BM_RefuseDeepDocument)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFileFloor)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadFlatDocumentOfTheSameSize)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
