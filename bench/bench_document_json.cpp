// The document JSON with one 100 MB blob, and its parser.
//
// Saving (SaveDocumentJson) against "base64 -w 0" of the blob file into the
// same folder: the blob read from its file, and held in BlobData. Ours
// writes the whole document (members, Base64 on one line, fsync, rename);
// the tool only encodes. Loading (LoadDocumentJson of the saved file, the
// blob decoded into BlobData) against "base64 -d" of the document's "Data"
// text alone. The parser (JsonDocument::Parse) on a document of 100,000
// fields against nlohmann::json::parse of the same text.
//
// Every run starts alike: page cache warm, nothing dirty in flight (sync
// before the run), no earlier output file. The tools are started with
// posix_spawn, without a shell.
//
// Counters: PeakGrowthMiB, how far the peak resident size rose above the
// resident size before the operation (VmHWM after resetting it). Goals:
// saving at most 1.0x the tool's time and 16 MiB beyond the blob (a file
// blob is never held whole; a buffer blob is resident before); loading at
// most 1.5x the tool's time and the file plus the blob plus 16 MiB.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "export/kxQueueManager_DocumentJson.h"
#include "export/kxQueueManager_DocumentJsonReader.h"
#include "export/kxQueueManager_Save.h"
#include "platform/json/JsonReader.h"
#include "platform/rtl/Text.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;
constexpr int kFields = 100000;

std::string Base() { return kx::bench::ScratchName("bench_document_json"); }
std::string BlobFile() { return Base() + ".bin"; }
std::string DocumentFile() { return Base() + ".json"; }
std::string DataText() { return Base() + ".b64"; }
std::string ToolOutput() { return Base() + ".out"; }

const std::string& Data() {
  static const std::string data = kx::bench::PseudoRandomBytes(kBytes);
  return data;
}

void MakeBlobFile() {
  static const bool made = [] {
    std::ofstream(BlobFile(), std::ios::binary) << Data();
    return true;
  }();
  (void)made;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PrepareRun(const std::string& output) {
  std::remove(output.c_str());
  ::sync();
}

void ToolBenchmark(benchmark::State& state, const std::vector<std::string>& Args) {
  for (auto _ : state) {
    PrepareRun(ToolOutput());
    const double seconds = kx::bench::RunToolSeconds(Args, ToolOutput());
    if (seconds < 0) state.SkipWithError("the tool failed");
    state.SetIterationTime(std::max(seconds, 0.0));
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}

TDocumentQueueRecord BlobRecord(bool inMemory) {
  TDocumentQueueRecord q;
  q.Id = TIdType("BENCH");
  q.Subject = u"bench";
  TkxBlob blob;
  blob.BlobName = u"random.bin";
  blob.BlobSize = kBytes;
  if (inMemory)
    blob.BlobData = ByteBuffer(Data().data(), Data().size());
  else
    blob.BlobLink = ToUtf16(BlobFile());
  q.Blobs = {blob};
  return q;
}

// Times one operation per iteration (setup excluded) and records the peak
// resident growth over the resident size before it.
template <class Setup, class Run>
void Measured(benchmark::State& state, Setup setup, Run run) {
  int64_t peakGrowth = 0;
  for (auto _ : state) {
    state.PauseTiming();
    setup();
    const int64_t before = kx::bench::StatusKiB("VmRSS");
    kx::bench::ResetPeak();
    state.ResumeTiming();
    if (!run()) state.SkipWithError("the operation failed");
    state.PauseTiming();
    peakGrowth = std::max(peakGrowth, kx::bench::StatusKiB("VmHWM") - before);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
  state.counters["PeakGrowthMiB"] = static_cast<double>(peakGrowth) / 1024.0;
}

void Save(benchmark::State& state, bool inMemory) {
  MakeBlobFile();
  TDocumentQueueRecord q = BlobRecord(inMemory);
  Measured(state, [] { PrepareRun(DocumentFile()); },
           [&] {
             UnicodeString message;
             return kxQueueManager::SaveDocumentJson(ToUtf16(DocumentFile()), false, q, true, message);
           });
}

void BM_SaveDocumentJsonBlobFile(benchmark::State& state) { Save(state, false); }
BENCHMARK(BM_SaveDocumentJsonBlobFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveDocumentJsonBlobData(benchmark::State& state) { Save(state, true); }
BENCHMARK(BM_SaveDocumentJsonBlobData)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Base64W0(benchmark::State& state) {
  MakeBlobFile();
  ToolBenchmark(state, {"base64", "-w", "0", BlobFile()});
}
BENCHMARK(BM_Base64W0)->Unit(benchmark::kMillisecond)->UseManualTime();

// The saved document and its "Data" text alone, made once.
void MakeDocument() {
  static const bool made = [] {
    MakeBlobFile();
    TDocumentQueueRecord q = BlobRecord(false);
    UnicodeString message;
    if (!kxQueueManager::SaveDocumentJson(ToUtf16(DocumentFile()), false, q, true, message)) return false;
    const std::string json = ReadFile(DocumentFile());
    const size_t start = json.find("\"Data\" : \"") + 10;
    std::ofstream(DataText(), std::ios::binary) << json.substr(start, json.find('"', start) - start);
    return true;
  }();
  (void)made;
}

void BM_LoadDocumentJson(benchmark::State& state) {
  MakeDocument();
  const AnsiString path = DocumentFile();
  Measured(state, [] {},
           [&] {
             TDocumentQueueRecord q;
             UnicodeString message;
             try {
               kxQueueManager::LoadDocumentJson(q, path, false, false, false, u"", message);
             } catch (const Exception&) {
               return false;
             }
             return q.Blobs.size() == 1 && q.Blobs[0].BlobData.Size() == kBytes;
           });
}
BENCHMARK(BM_LoadDocumentJson)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Base64Decode(benchmark::State& state) {
  MakeDocument();
  ToolBenchmark(state, {"base64", "-d", DataText()});
}
BENCHMARK(BM_Base64Decode)->Unit(benchmark::kMillisecond)->UseManualTime();

// A document of 100,000 fields as the writer writes it.
const std::string& FieldsText() {
  static const std::string text = [] {
    TDocumentQueueRecord q;
    q.Id = TIdType("BENCH");
    q.Subject = u"bench";
    for (int i = 0; i < kFields; ++i) {
      TkxMetaField f;
      f.IntField = u"Field" + ToUtf16(std::to_string(i));
      f.ExtField = f.IntField;
      f.VarValue = Variant::FromOleStr(u"value \u00fc " + ToUtf16(std::to_string(i * 7)));
      f.VarType = 8;
      f.Confidence = i % 100;
      f.Page = 1;
      f.Zone = {10, 20, 0, 0, 300, 40};
      q.MetaData.push_back(f);
    }
    AnsiString json;
    UnicodeString message;
    kxQueueManager::CreateDocumentJson(q, json, true, true, message);
    return json;
  }();
  return text;
}

void BM_ParseFields(benchmark::State& state) {
  const std::string& text = FieldsText();
  for (auto _ : state) {
    const kx::platform::JsonDocument doc = kx::platform::JsonDocument::Parse(text);
    benchmark::DoNotOptimize(doc.Root().Count());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_ParseFields)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NlohmannParseFields(benchmark::State& state) {
  const std::string& text = FieldsText();
  for (auto _ : state) {
    const nlohmann::json doc = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(doc.size());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_NlohmannParseFields)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_SaveDocumentJsonBlobFile", "BM_Base64W0", "base64 -w 0", true},
       {"BM_SaveDocumentJsonBlobData", "BM_Base64W0", "base64 -w 0", true},
       {"BM_LoadDocumentJson", "BM_Base64Decode", "base64 -d", true},
       {"BM_ParseFields", "BM_NlohmannParseFields", "nlohmann::json::parse", true}},
      [] {
        // The figures mean something only when the document is right.
        MakeDocument();
        const std::string check = "python3 -c 'import json,sys; json.load(open(sys.argv[1]))' '" +
                                  DocumentFile() + "' 2>/dev/null";
        if (std::system(check.c_str()) != 0) return 3;
        return 0;
      });
  for (const std::string& f : {BlobFile(), DocumentFile(), DataText(), ToolOutput()})
    std::remove(f.c_str());
  return code;
}
