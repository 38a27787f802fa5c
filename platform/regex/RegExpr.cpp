#include "platform/regex/RegExpr.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>
#include <list>
#include <mutex>
#include <string>
#include <utility>

namespace {

// The engine's limits for one search (one call of pcre2_match): steps of
// backtracking, and the heap its backtracking frames may take. The step
// limit is the engine's own default; the heap limit is far below its
// default, so that one pathological pattern cannot take a host's memory.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kHeapLimitKiB = 256 * 1024;

// How many compiled patterns the cache keeps.
constexpr size_t kCacheCapacity = 64;

using Code = std::shared_ptr<const pcre2_code>;

const PCRE2_UCHAR* Units(const UnicodeString& Text) {
  return reinterpret_cast<const PCRE2_UCHAR*>(Text.data());
}

UnicodeString EngineMessage(int ErrorCode) {
  PCRE2_UCHAR buffer[256];
  const int length = pcre2_get_error_message(ErrorCode, buffer, std::size(buffer));
  if (length < 0) return u"error " + ToUtf16(std::to_string(ErrorCode));
  return UnicodeString(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(length));
}

// No UTF mode, so one code unit is one character and lone surrogates are
// ordinary units; "." takes line breaks too; nothing else is set.
Code Compile(const UnicodeString& Pattern) {
  if (Pattern.empty()) throw ERegExpr(u"regular expression error: empty pattern");
  int error = 0;
  PCRE2_SIZE where = 0;
  pcre2_code* code =
      pcre2_compile(Units(Pattern), Pattern.size(), PCRE2_DOTALL, &error, &where, nullptr);
  if (code == nullptr) {
    char offset[24];
    const auto end = std::to_chars(offset, offset + sizeof offset, where).ptr;
    throw ERegExpr(u"regular expression error: " + EngineMessage(error) + u" at offset " +
                   ToUtf16(std::string_view(offset, end - offset)) + u" in " + Pattern);
  }
  return Code(code, [](const pcre2_code* c) { pcre2_code_free(const_cast<pcre2_code*>(c)); });
}

// The most recently used compiled patterns, keyed by pattern text. A
// pattern handed out stays alive while in use even when it is evicted.
class PatternCache {
 public:
  Code Get(const UnicodeString& Pattern) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (Code code = FindLocked(Pattern)) return code;
    }
    Code code = Compile(Pattern);
    std::lock_guard<std::mutex> lock(mutex_);
    if (Code cached = FindLocked(Pattern)) return cached;
    entries_.emplace_front(Pattern, code);
    if (entries_.size() > kCacheCapacity) entries_.pop_back();
    return code;
  }

  std::vector<UnicodeString> Patterns() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<UnicodeString> patterns;
    for (const auto& e : entries_) patterns.push_back(e.first);
    return patterns;
  }

 private:
  Code FindLocked(const UnicodeString& Pattern) {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const auto& e) { return e.first == Pattern; });
    if (it == entries_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, it);
    return it->second;
  }

  std::mutex mutex_;
  std::list<std::pair<UnicodeString, Code>> entries_;
};

PatternCache& Cache() {
  static PatternCache cache;
  return cache;
}

// The limits of every search; made once, only read afterwards.
pcre2_match_context* Limits() {
  static pcre2_match_context* const context = [] {
    pcre2_match_context* c = pcre2_match_context_create(nullptr);
    if (c != nullptr) {
      pcre2_set_match_limit(c, kMatchLimit);
      pcre2_set_heap_limit(c, kHeapLimitKiB);
    }
    return c;
  }();
  if (context == nullptr) throw ERegExpr(u"regular expression error: out of memory");
  return context;
}

}  // namespace

struct TRegExpr::State {
  UnicodeString expression;
  Code code;
  UnicodeString input;
  std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data{nullptr,
                                                                           &pcre2_match_data_free};
  bool matched = false;
  size_t start = 0;  // the match, 0-based
  size_t end = 0;
};

TRegExpr::TRegExpr() : state_(std::make_unique<State>()) {}

TRegExpr::~TRegExpr() = default;

void TRegExpr::SetExpression(const UnicodeString& Expression) {
  state_->expression = Expression;
  state_->code.reset();
  state_->input.clear();
  state_->matched = false;
}

const UnicodeString& TRegExpr::Expression() const { return state_->expression; }

bool TRegExpr::Exec(UnicodeString InputString) {
  State& s = *state_;
  s.matched = false;
  s.input.clear();
  if (s.code == nullptr) s.code = Cache().Get(s.expression);
  if (s.data == nullptr) {
    s.data.reset(pcre2_match_data_create(1, nullptr));
    if (s.data == nullptr) throw ERegExpr(u"regular expression error: out of memory");
  }
  // Positions are 32-bit.
  if (InputString.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw ERegExpr(u"regular expression error: text too long");
  s.input = std::move(InputString);
  return Search(0);
}

bool TRegExpr::ExecNext() {
  State& s = *state_;
  if (!s.matched) return false;
  const size_t next = s.end == s.start ? s.end + 1 : s.end;
  s.matched = false;
  if (next > s.input.size()) return false;
  return Search(next);
}

bool TRegExpr::Search(size_t Offset) {
  State& s = *state_;
  const int rc = pcre2_match(s.code.get(), Units(s.input), s.input.size(), Offset, 0, s.data.get(),
                             Limits());
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  // A return of 0 only says that the groups did not fit; the whole match did.
  if (rc < 0)
    throw ERegExpr(u"regular expression error: " + EngineMessage(rc) + u" in " + s.expression);
  const PCRE2_SIZE* found = pcre2_get_ovector_pointer(s.data.get());
  // \K in a lookahead can put the start after the end; the match is then empty.
  s.start = found[0];
  s.end = std::max(found[0], found[1]);
  s.matched = true;
  return true;
}

UnicodeString TRegExpr::Match() const {
  return state_->matched ? state_->input.substr(state_->start, state_->end - state_->start)
                         : UnicodeString();
}

int32_t TRegExpr::MatchPos() const {
  return state_->matched ? static_cast<int32_t>(state_->start + 1) : 0;
}

int32_t TRegExpr::MatchLen() const {
  return state_->matched ? static_cast<int32_t>(state_->end - state_->start) : 0;
}

namespace kx::platform {

std::vector<UnicodeString> CachedRegExprsForTesting() { return Cache().Patterns(); }

}  // namespace kx::platform
