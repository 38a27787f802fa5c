// The XML layer on a 100 MB document: one element holding 100 MB of CDATA
// (Base64-like lines, as a document with a large blob has).
//   - XmlWriter streaming the document to a file through a FileXmlSink,
//     against "cp" of a file of the same size;
//   - XmlDocument::Load of that file (its bytes read first), against
//     "xmllint --noout --huge" on it.
// The tools' runs include starting the process and reading the file from the
// page cache. After the table the program prints each time of ours as a ratio
// to the tool's, and the peak memory (resident set) that writing and loading
// add to the process: the writer's must not grow with the document.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "platform/rtl/Stream.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlWriter.h"

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kChunks = 1600;  // 100 MiB of CDATA

// One chunk of Base64 text in lines of 76 characters joined by CR LF.
const std::string& Chunk() {
  static const std::string chunk = [] {
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string c;
    c.reserve(kChunk);
    uint32_t seed = 4711;
    size_t column = 0;
    while (c.size() < kChunk) {
      if (column == 76) {
        c += "\r\n";
        column = 0;
        continue;
      }
      seed = seed * 1664525u + 1013904223u;
      c.push_back(alphabet[seed >> 26]);
      ++column;
    }
    c.resize(kChunk);
    return c;
  }();
  return chunk;
}

std::string Base() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp ? tmp : "/tmp") + "/bench_xml." + std::to_string(::getpid());
}
const std::string& DocumentFile() {
  static const std::string path = Base() + ".xml";
  return path;
}
const std::string& CopyFile() {
  static const std::string path = Base() + ".copy.xml";
  return path;
}

void WriteDocument() {
  FileStream file(ToUtf16(DocumentFile()), fmCreate);
  kx::platform::FileXmlSink sink(file);
  kx::platform::XmlWriter w(sink);
  w.StartElement("kxDocument");
  w.StartElement("Data");
  for (size_t i = 0; i < kChunks; ++i) w.CData(Chunk());
  w.EndElement();
  w.EndElement();
  w.Finish();
}

size_t LoadDocument() {
  std::ifstream in(DocumentFile(), std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const kx::platform::XmlDocument doc = kx::platform::XmlDocument::Load(bytes);
  return doc.DocumentElement().FirstChild().AsElement().FirstChild() ? bytes.size() : 0;
}

int64_t FileSize() {
  std::ifstream in(DocumentFile(), std::ios::binary | std::ios::ate);
  return static_cast<int64_t>(in.tellg());
}

void BM_XmlWriterToFile(benchmark::State& state) {
  for (auto _ : state) WriteDocument();
  state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_XmlWriterToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Cp(benchmark::State& state) {
  const std::string cmd = "cp '" + DocumentFile() + "' '" + CopyFile() + "'";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("cp failed");
  state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_XmlDocumentLoad(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(LoadDocument());
  state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_XmlDocumentLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Xmllint(benchmark::State& state) {
  const std::string cmd = "xmllint --noout --huge '" + DocumentFile() + "'";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("xmllint failed");
  state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_Xmllint)->Unit(benchmark::kMillisecond)->UseRealTime();

// The resident memory that f adds at its peak, in MiB; -1 when the kernel
// cannot reset the peak.
template <class F>
double PeakAddedMiB(F&& f) {
  kx::bench::ResetPeak();
  const int64_t before = kx::bench::StatusKiB("VmRSS");
  f();
  const int64_t peak = kx::bench::StatusKiB("VmHWM");
  if (before < 0 || peak < 0) return -1;
  return static_cast<double>(peak - before) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  double writerPeak = -1, loadPeak = -1;
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_XmlWriterToFile", "BM_Cp", "cp"},
       {"BM_XmlDocumentLoad", "BM_Xmllint", "xmllint --noout --huge"}},
      [&] {
        Chunk();
        writerPeak = PeakAddedMiB(WriteDocument);
        loadPeak = PeakAddedMiB([] { LoadDocument(); });
        return LoadDocument() == 0 ? 2 : 0;
      });
  if (code == 0) {
    std::printf("document: %.1f MiB\n", static_cast<double>(FileSize()) / 1048576.0);
    std::printf("peak memory added: writer %.1f MiB, load %.1f MiB\n", writerPeak, loadPeak);
  }
  std::remove(DocumentFile().c_str());
  std::remove(CopyFile().c_str());
  return code;
}
