// platform/regex/RegExpr.h — the platform's regular-expression engine.
//
// A pattern runs over UTF-16 text, one code unit per character: a surrogate
// pair is two characters and a lone surrogate an ordinary one, so positions
// and lengths are those of the text operations. The defaults are the only
// mode: case-sensitive; "." matches every character, CR and LF included;
// "\d" is "0"-"9" and "\w", "\s" and the POSIX classes are ASCII only;
// alternatives are tried in order (the first that matches at a position
// wins); repetition is greedy and backtracks; "^" is the start of the whole
// text and "$" its end or the place before a final LF. The syntax is Perl's
// (PCRE2).
//
//   TRegExpr r;
//   r.SetExpression(u"\\d+");
//   for (bool found = r.Exec(u"a1 b22"); found; found = r.ExecNext())
//     ...  // r.Match() is u"1", then u"22"; r.MatchPos() 2, then 5
//
// Compiled patterns are shared through a process-wide cache of the 64 most
// recently used pattern texts; only patterns that compile are kept, so a bad
// pattern raises on every use. Objects are not shared between threads; the
// cache is.
//
// Errors raise ERegExpr with the engine's English message:
// - an empty expression, or one that does not compile (with the offset where
//   compiling stopped), at Exec;
// - a search that stops on one of the engine's limits (at most 10,000,000
//   steps of backtracking and 256 MiB of memory for one search), at Exec or
//   ExecNext: a limit never passes for "no match".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

KX_DECLARE_EXCEPTION(ERegExpr, Exception);

class TRegExpr {
 public:
  TRegExpr();
  ~TRegExpr();
  TRegExpr(const TRegExpr&) = delete;
  TRegExpr& operator=(const TRegExpr&) = delete;

  // The pattern. Setting it forgets the text and the match; it is compiled
  // (or found in the cache) by the next Exec.
  void SetExpression(const UnicodeString& Expression);
  const UnicodeString& Expression() const;

  // Searches InputString from its start: true at the first match, false
  // when there is none. The object keeps its own copy of the text.
  bool Exec(UnicodeString InputString);

  // Searches on from the end of the previous match, one unit further after
  // an empty match: true at the next match. False when there is none, and
  // after an Exec or ExecNext that found nothing (or without an Exec).
  bool ExecNext();

  // The whole match of the last Exec or ExecNext that answered true: its
  // text, its 1-based position in the input and its length in units. With
  // no such match: "", 0 and 0.
  UnicodeString Match() const;
  int32_t MatchPos() const;
  int32_t MatchLen() const;

 private:
  struct State;
  bool Search(size_t Offset);

  std::unique_ptr<State> state_;
};

namespace kx::platform {

// The texts of the patterns in the cache, the most recently used first.
std::vector<UnicodeString> CachedRegExprsForTesting();

}  // namespace kx::platform
