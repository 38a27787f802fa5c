// MD5 and Base64 on 100 MB, and whole-file load and save, against the
// standard tools on a file of the same bytes: "base64 -w 76" and "base64 -d"
// (our encoding cuts 76-character lines too; both decoders read the same
// text, the tool's own "base64 -w 76" output, which holds nothing but the
// alphabet and line breaks), "md5sum", and "cp" (both copies go to a new
// file: the previous one is removed before each run, outside the timing).
// Before anything is timed, our results are compared with the tools'. A tool's
// run includes starting the process and reading the file from the page
// cache; its output goes to /dev/null (cp writes a real copy, as we do).
// Our Base64 works on the bytes in memory, as the document writer feeds it;
// GetMD5FromFile and the load-and-save read and write the file.
// After the table the program prints each of our times as a ratio to the
// tool's, and the speed ratio (the tool's time over ours; 1.0 or more means
// at least as fast).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "platform/rtl/Text.h"
#include "system/kxBase64.h"
#include "system/kxFiles.h"
#include "system/kxMD5.h"

namespace {

constexpr size_t kBytes = 100u * 1000 * 1000;

const std::string& Data() {
  static const std::string data = kx::bench::PseudoRandomBytes(kBytes);
  return data;
}

std::string Folder() { return kx::bench::ScratchName("bench_md5_base64"); }

const std::string& PlainFile() {
  static const std::string path = [] {
    const std::string p = Folder() + ".bin";
    std::ofstream(p, std::ios::binary) << Data();
    return p;
  }();
  return path;
}

// The tool's Base64 text of the bytes: lines of 76 characters ended by LF.
const std::string& Base64File() {
  static const std::string path = [] {
    const std::string p = Folder() + ".b64";
    if (std::system(("base64 -w 76 '" + PlainFile() + "' > '" + p + "'").c_str()) != 0) return std::string();
    return p;
  }();
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string& ToolBase64Text() {
  static const std::string text = ReadAll(Base64File());
  return text;
}

std::string CopyTarget() { return Folder() + ".copy"; }

void RunTool(benchmark::State& state, const std::string& cmd) {
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}

void BM_StrToBase64(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(TkxBase64::StrToBase64(Data(), true));
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_StrToBase64)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Base64W76(benchmark::State& state) {
  RunTool(state, "base64 -w 76 '" + PlainFile() + "' > /dev/null");
}
BENCHMARK(BM_Base64W76)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Base64ToStr(benchmark::State& state) {
  const std::string& text = ToolBase64Text();
  for (auto _ : state) benchmark::DoNotOptimize(TkxBase64::Base64ToStr(text));
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_Base64ToStr)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Base64D(benchmark::State& state) {
  RunTool(state, "base64 -d '" + Base64File() + "' > /dev/null");
}
BENCHMARK(BM_Base64D)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GetMD5FromFile(benchmark::State& state) {
  const UnicodeString name = ToUtf16(PlainFile());
  for (auto _ : state) benchmark::DoNotOptimize(TkxMD5::GetMD5FromFile(name, 0x0020));
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_GetMD5FromFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Md5sum(benchmark::State& state) { RunTool(state, "md5sum '" + PlainFile() + "' > /dev/null"); }
BENCHMARK(BM_Md5sum)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadAndSave(benchmark::State& state) {
  const UnicodeString from = ToUtf16(PlainFile());
  const UnicodeString to = ToUtf16(CopyTarget());
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(CopyTarget().c_str());
    state.ResumeTiming();
    AnsiString data;
    if (!TkxFiles::LoadFileToString(from, data) || !TkxFiles::SaveStringToFile(to, data, false, false, ""))
      state.SkipWithError("load or save failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_LoadAndSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Cp(benchmark::State& state) {
  // --reflink=never: a plain copy of the bytes, as ours makes, to a new file.
  const std::string cmd = "cp --reflink=never '" + PlainFile() + "' '" + CopyTarget() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(CopyTarget().c_str());
    state.ResumeTiming();
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(("failed: " + cmd).c_str());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kBytes));
}
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_StrToBase64", "BM_Base64W76", "base64 -w 76", true},
       {"BM_Base64ToStr", "BM_Base64D", "base64 -d", true},
       {"BM_GetMD5FromFile", "BM_Md5sum", "md5sum", true},
       {"BM_LoadAndSave", "BM_Cp", "cp", true}},
      [] {
        // The figures mean something only when our results are the tools'.
        if (Base64File().empty()) return 2;
        std::string tool = ToolBase64Text();  // LF line ends, one after the last line
        std::string crlf;
        crlf.reserve(tool.size() + tool.size() / 76);
        for (char c : tool) c == '\n' ? crlf += "\r\n" : crlf += c;
        if (crlf.size() >= 2) crlf.resize(crlf.size() - 2);  // no break after the last line
        if (TkxBase64::StrToBase64(Data(), true) != crlf) return 3;
        if (TkxBase64::Base64ToStr(tool) != Data()) return 4;
        FILE* md5sum = popen(("md5sum '" + PlainFile() + "'").c_str(), "r");
        char digest[33] = {};
        const bool read = md5sum != nullptr && std::fread(digest, 1, 32, md5sum) == 32;
        if (md5sum != nullptr) pclose(md5sum);
        std::string upper(digest);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!read || TkxMD5::GetMD5FromFile(ToUtf16(PlainFile()), 0x0020) != upper) return 5;
        return 0;
      });
  std::remove(PlainFile().c_str());
  std::remove(Base64File().c_str());
  std::remove(CopyTarget().c_str());
  return code;
}
