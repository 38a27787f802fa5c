#include "tools/kxhost/kxHost.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <vector>

#include "platform/rtl/Text.h"

namespace kx::host {
namespace {

using WideExportFn = int32_t (*)(int32_t, char16_t*, int32_t, char16_t*);
using BuildTestFn = int32_t (*)(int32_t);

// Filler of the unused part of a buffer: a missing terminator shows as no
// zero before the guard page.
constexpr char16_t kFiller = u'\xA5A5';
const std::u16string kSentinel = u"kxhost sentinel \xFFFF";

// Units ending exactly at an inaccessible page.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(size_t units) : units_(std::max<size_t>(units, 1)) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t bytes = units_ * sizeof(char16_t);
    total_ = (bytes + page - 1) / page * page + page;
    void* base = mmap(nullptr, total_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) throw std::bad_alloc();
    base_ = static_cast<char*>(base);
    mprotect(base_ + total_ - page, page, PROT_NONE);
    start_ = reinterpret_cast<char16_t*>(base_ + total_ - page - bytes);
  }
  ~GuardedBuffer() { munmap(base_, total_); }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  char16_t* data() { return start_; }
  size_t units() const { return units_; }
  // Text, its zero, then filler; false when it does not fit.
  bool Fill(const std::u16string& text) {
    if (text.size() + 1 > units_) return false;
    std::fill(start_, start_ + units_, kFiller);
    std::copy(text.begin(), text.end(), start_);
    start_[text.size()] = u'\0';
    return true;
  }
  // The text up to its zero; false when no zero lies inside the buffer.
  bool Read(std::u16string& text) const {
    const char16_t* end = std::find(start_, start_ + units_, u'\0');
    if (end == start_ + units_) return false;
    text.assign(static_cast<const char16_t*>(start_), end);
    return true;
  }

 private:
  size_t units_;
  size_t total_ = 0;
  char* base_ = nullptr;
  char16_t* start_ = nullptr;
};

class Plugin {
 public:
  ~Plugin() { Unload(); }
  bool Load(const std::string& path, std::string& error) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
      error = dlerror();
      return false;
    }
    wide_ = reinterpret_cast<WideExportFn>(dlsym(handle_, "kxWideExport"));
    build_ = reinterpret_cast<BuildTestFn>(dlsym(handle_, "kxBuildTest"));
    if (wide_ == nullptr || build_ == nullptr) {
      error = path + ": kxWideExport or kxBuildTest missing";
      Unload();
      return false;
    }
    return true;
  }
  void Unload() {
    if (handle_ != nullptr) dlclose(handle_);
    Forget();
  }
  // Keeps the library loaded until the process ends.
  void Forget() {
    handle_ = nullptr;
    wide_ = nullptr;
    build_ = nullptr;
  }
  int32_t WideExport(int32_t command, char16_t* data, char16_t* error) {
    return wide_(command, data, 0, error);
  }
  int32_t BuildTest(int32_t value) { return build_(value); }

 private:
  void* handle_ = nullptr;
  WideExportFn wide_ = nullptr;
  BuildTestFn build_ = nullptr;
};

bool ParseInt(std::string_view text, int32_t& value) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool AlwaysShowsData(int32_t command) {
  return command == 101 || command == 105 || command == 850;
}

}  // namespace

std::string EscapeForOutput(const std::u16string& text) {
  std::string out;
  std::u16string plain;  // valid text waiting for the codec
  auto flush = [&] {
    out += ToUtf8(plain);
    plain.clear();
  };
  auto hex = [&](char16_t unit) {
    flush();
    static const char digits[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(unit >> shift) & 0xF];
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      plain += unit;
      plain += text[++i];
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      hex(unit);
    } else if (unit == u'\\') {
      flush();
      out += "\\\\";
    } else if (unit == u'\t') {
      flush();
      out += "\\t";
    } else if (unit == u'\n') {
      flush();
      out += "\\n";
    } else if (unit == u'\r') {
      flush();
      out += "\\r";
    } else if (unit < 0x20 || unit == u'"' || unit == 0x7F) {
      hex(unit);
    } else {
      plain += unit;
    }
  }
  flush();
  return out;
}

bool UnescapeScriptText(const std::string& text, std::u16string& result, std::string& error) {
  result.clear();
  std::string pending;  // UTF-8 bytes waiting for the codec
  auto flush = [&] {
    result += ToUtf16(pending);
    pending.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '$' && i + 1 < text.size() && text[i + 1] == '{') {
      const size_t close = text.find('}', i + 2);
      if (close == std::string::npos) {
        error = "unterminated ${";
        return false;
      }
      const std::string name = text.substr(i + 2, close - i - 2);
      const char* value = std::getenv(name.c_str());
      if (value == nullptr) {
        error = "environment variable " + name + " is not set";
        return false;
      }
      pending += value;
      i = close;
      continue;
    }
    if (c != '\\') {
      pending += c;
      continue;
    }
    if (i + 1 >= text.size()) {
      error = "a lone \\ at the end of the line";
      return false;
    }
    const char e = text[++i];
    switch (e) {
      case '\\': pending += '\\'; break;
      case 't': pending += '\t'; break;
      case 'n': pending += '\n'; break;
      case 'r': pending += '\r'; break;
      case '$': pending += '$'; break;
      case 'u': {
        if (i + 4 >= text.size()) {
          error = "\\u needs four hexadecimal digits";
          return false;
        }
        char16_t unit = 0;
        for (size_t k = 1; k <= 4; ++k) {
          const int d = HexDigit(text[i + k]);
          if (d < 0) {
            error = "\\u needs four hexadecimal digits";
            return false;
          }
          unit = static_cast<char16_t>(unit * 16 + d);
        }
        flush();
        result += unit;
        i += 4;
        break;
      }
      default:
        error = std::string("unknown escape \\") + e;
        return false;
    }
  }
  flush();
  return true;
}

bool PrepareSandbox(const std::string& dir, std::string& error) {
  std::error_code ec;
  const std::filesystem::path root = std::filesystem::absolute(dir, ec);
  if (ec) {
    error = dir + ": " + ec.message();
    return false;
  }
  const std::pair<const char*, const char*> folders[] = {
      {"VANTOSYS", "vanto"}, {"VANTO_REGISTRY_DIR", "registry"}, {"TMPDIR", "tmp"}};
  for (const auto& [variable, name] : folders) {
    const std::filesystem::path folder = root / name;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
      error = folder.string() + ": " + ec.message();
      return false;
    }
    setenv(variable, folder.c_str(), 1);
  }
  setenv("SANDBOX", root.c_str(), 1);
  return true;
}

int RunScript(const HostOptions& options, const std::string& script, std::ostream& out,
              std::ostream& err) {
  Plugin plugin;
  std::string loadError;
  if (!plugin.Load(options.PluginPath, loadError)) {
    err << "kxhost: cannot load " << options.PluginPath << ": " << loadError << "\n";
    return kUsageError;
  }
  GuardedBuffer data(options.DataUnits);
  GuardedBuffer error(options.ErrorUnits);
  if (kSentinel.size() + 1 > error.units()) {
    err << "kxhost: --error-units is too small for the sentinel\n";
    return kUsageError;
  }
  bool anyFailed = false;
  std::istringstream lines(script);
  std::string line;
  size_t lineNumber = 0;
  auto scriptError = [&](const std::string& what) {
    err << "kxhost: line " << lineNumber << ": " << what << "\n";
    return kUsageError;
  };
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;

    if (line == "reload") {
      plugin.Unload();
      if (!plugin.Load(options.PluginPath, loadError)) {
        err << "kxhost: cannot load " << options.PluginPath << ": " << loadError << "\n";
        return kUsageError;
      }
      out << "reload" << std::endl;
      continue;
    }
    if (line.rfind("buildtest ", 0) == 0) {
      int32_t value = 0;
      if (!ParseInt(std::string_view(line).substr(10), value))
        return scriptError("buildtest needs a whole number");
      const int32_t rc = plugin.BuildTest(value);
      out << "buildtest " << value << " -> " << rc << std::endl;
      if (rc != 0 && rc != -1) {
        err << "kxhost: kxBuildTest answered " << rc << ", neither 0 nor -1\n";
        return kContractViolation;
      }
      if (rc == -1) anyFailed = true;
      continue;
    }

    const size_t tab = line.find('\t');
    int32_t command = 0;
    if (!ParseInt(std::string_view(line).substr(0, tab), command))
      return scriptError("not a command number: " + line.substr(0, tab));
    std::u16string input;
    if (tab != std::string::npos) {
      std::string argument = line.substr(tab + 1);
      const bool fromFile = !argument.empty() && argument[0] == '@';
      std::string problem;
      if (!UnescapeScriptText(fromFile ? argument.substr(1) : argument, input, problem))
        return scriptError(problem);
      if (fromFile) {
        std::string bytes;
        const std::string path = ToUtf8(input);
        if (!ReadFile(path, bytes)) return scriptError("cannot read " + path);
        input = ToUtf16(bytes);
      }
    }
    if (!data.Fill(input)) return scriptError("the text does not fit --data-units");
    error.Fill(kSentinel);

    const int32_t rc = plugin.WideExport(command, data.data(), error.data());

    std::u16string answer, errorText;
    if (!data.Read(answer)) {
      err << "kxhost: line " << lineNumber << ": Data holds no terminating zero\n";
      return kContractViolation;
    }
    if (!error.Read(errorText)) {
      err << "kxhost: line " << lineNumber << ": ErrorText holds no terminating zero\n";
      return kContractViolation;
    }
    out << command << " -> " << rc;
    if (AlwaysShowsData(command) || answer != input) out << " data=\"" << EscapeForOutput(answer) << '"';
    if (rc == -1) out << " error=\"" << EscapeForOutput(errorText) << '"';
    out << std::endl;
    if (rc == 0 && errorText != kSentinel) {
      err << "kxhost: line " << lineNumber << ": ErrorText changed on answer 0\n";
      return kContractViolation;
    }
    if (rc != 0 && rc != -1) {
      err << "kxhost: line " << lineNumber << ": answer " << rc << " is neither 0 nor -1\n";
      return kContractViolation;
    }
    if (rc == -1) anyFailed = true;
  }
  if (!options.UnloadAtEnd) plugin.Forget();
  return anyFailed ? kSomeFailed : kAllSucceeded;
}

}  // namespace kx::host
