// environment/kxComTools.h — TkxComTools: the product's tagged text
// messages ("com strings") over TCP. One request is written to a server,
// which answers with one com string on the same connection; then the
// connection is closed.
//
// A com string: "<" type ">", the marks "<enc=mime>" or "<enc=none>" and
// "<comp=true>" or "<comp=false>", one "<" part ">" per parameter, "</" type
// ">". A part is name "=" value, or "obj(" extension ")=" and a file's bytes;
// with enc=mime each part is Base64 text on one line, with comp=true it was
// zlib-compressed first (CompressString). Without encoding a part must not
// hold "<" or ">", and a com string never holds a zero byte (the reader cuts
// every block at its first one).
//
//   TComRes parts;
//   AddComParam("a", "1", parts);  AddComParam("b", "2", parts);
//   BuiltComString("Q", false, false, parts) == "<Q><enc=none><comp=false><a=1><b=2></Q>"
//
// Every operation catches its own errors and answers false, an empty text or
// the default; nothing raises out of here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Text.h"

// The parts of a request before building, in the order they were added.
using TComRes = std::vector<AnsiString>;

struct TComPart {
  AnsiString Param;     // the name upper-cased (UpperText)
  AnsiString OrgParam;  // the name as received
  AnsiString Value;

  friend bool operator==(const TComPart&, const TComPart&) = default;
};
// A parsed answer.
using TComResExt = std::vector<TComPart>;

struct TServer {
  bool Active = false;  // whether the server is taken as reachable
  UnicodeString Host;   // a host name or a dotted IPv4 address
  int32_t Port = 0;
};

struct TServerList {
  std::vector<TServer> Server;
  bool Rotate = false;  // start each search after the server used last
  int32_t ActId = 0;    // the server used last
};

namespace TkxComTools {

// ---- Building ---------------------------------------------------------------------------

// Appends Param + "=" + Value.
bool AddComParam(const AnsiString& Param, const AnsiString& Value, TComRes& ComList);
// Appends "obj(" + extension + ")=" + the file's bytes; false when the file
// cannot be read. The extension is the text after the file name's last "."
// when no "\", "/" or ":" follows it, lower-cased; none gives "obj()=".
bool AddObjectComParam(const AnsiString& filename, TComRes& ComList);
// The same with content in place of the file's bytes; no file is touched.
bool AddObjectContentComParam(const AnsiString& filename, const AnsiString& content,
                              TComRes& ComList);
// The com string of ComTyp (written as given) and the parts. compress sets
// encode too. Each part in ComList is replaced by its encoded form
// (compressed, then Base64 on one line) before it goes in; the marks are
// never encoded. Empty when encoding fails.
AnsiString BuiltComString(const AnsiString& ComTyp, bool encode, bool compress, TComRes& ComList);

// ---- Reading ------------------------------------------------------------------------------

// Takes the tags of Request in order (the text from each "<" to the next
// ">"; text between tags and empty tags are dropped). False for fewer than
// two tags or when the last is not "/" + the first (compared upper-cased).
// ComTyp = the first tag upper-cased; the tags between are the parts.
// With ParseParVal the marks are found among the parts by lower-cased name
// and value ("ENC=MIME" counts) and removed; each other part is decoded as
// they say (Base64, then decompression), split at its first "=" (no "=":
// an empty name, the whole text as value) into a record. A part whose
// decoding fails makes the answer false. Without ParseParVal every part,
// the marks included, is a record with Param "0", "1", ... and its text as
// Value.
//   ParseComAnswer("<q><enc=none><comp=false><a=1></Q>", t, l, true):
//   t == "Q", l == {{"A", "a", "1"}}
bool ParseComAnswer(const AnsiString& Request, AnsiString& ComTyp, TComResExt& ComList,
                    bool ParseParVal);
// The text after the first "<" up to the next ">", trimmed and upper-cased.
AnsiString GetComType(const AnsiString& Request);

// Lookups compare UpperText(Param) exactly with the records' Param; the
// first equal record wins. ComParamExists upper-cases the records' Param too.
bool ComParamExists(const TComResExt& ComList, const AnsiString& Param);
AnsiString GetComParam(const TComResExt& ComList, const AnsiString& Param);  // empty when absent
AnsiString GetComParamExt(const TComResExt& ComList, const AnsiString& Param,
                          const AnsiString& Default);
int32_t GetComParamId(const TComResExt& ComList, const AnsiString& Param);  // -1 when absent
uint32_t GetComParamSize(const TComResExt& ComList, const AnsiString& Param);  // 0 when absent
// The first record with an empty Param; -1 when none.
int32_t GetFreeComParam(const TComResExt& ComList);
// On an unparsed list: the text after the first "=" of the first text whose
// part before it equals UpperText(Param) exactly (not upper-cased itself).
AnsiString GetComListParamExt(const TComRes& ComList, const AnsiString& Param,
                              const AnsiString& Default);

// ---- Asking servers ------------------------------------------------------------------------
// A server whose text before its first "." reads as a number above 0 is an
// IPv4 address, any other a name to look up. The connect waits at most
// ConWait ms, every send too; the request goes in blocks of at most 10000
// bytes. The answer is read in blocks of at most 10000 bytes, each cut at
// its first zero byte, each wait for data at most ResWait ms, until the
// server closes, a wait runs out, or the answer is complete: it holds "<"
// and ">" and ends with "/" + the text between its first character and its
// first ">", then one more character (case-sensitive, so "<q>...</Q>" waits
// out ResWait). A receive succeeds with a non-empty answer ending in ">",
// and fails once an answer passes 1 GiB.

// Parses the answer (ParseParVal) into ComTyp and comres. False on any
// failure, comres empty then.
bool AskServer(const UnicodeString& Server, int32_t Port, int32_t ConWait, int32_t ResWait,
               const AnsiString& Quest, AnsiString& ComTyp, TComResExt& comres);
// Tries the servers of ServerList in turn. Each round selects the first
// server with Active set, from ActId (with Rotate: the one after it) to the
// end and then from the start; ServerId and ActId become its index. A
// server that cannot be reached or breaks the connection gets Active false;
// a missing, late or unparsable answer leaves it active. Within one call
// each server is tried at most once: when the selection gives one already
// tried, the call answers false. When no server is active, every server is
// probed ("<ALIVE><></ALIVE>" with 2000 and 5000 ms, whatever the caller's
// waits) and its Active set from the probe; ActId and ServerId become 0 and
// the call answers false without sending the request. An empty list answers
// false. ServerId is -1 unless set so. comres is empty after a failure.
bool AskServer(TServerList& ServerList, int32_t ConWait, int32_t ResWait, const AnsiString& Quest,
               AnsiString& ComTyp, TComResExt& comres, int32_t& ServerId);
// The raw answer in ComText; true when the receive succeeded.
bool AskServer(const UnicodeString& Server, int32_t Port, int32_t ConWait, int32_t ResWait,
               const AnsiString& Quest, AnsiString& ComText);

namespace detail {

// The largest answer a receive takes (1 GiB); tests lower it, 0 restores.
void SetAnswerCapForTesting(size_t Bytes);

// Whether an answer is complete (see "Asking servers" above).
bool IsCompleteAnswer(std::string_view Text);
// The same test made block by block as the answer grows: Add is told the
// text so far and where the new block begins, and looks only at the new
// bytes and the tail.
class AnswerCompleteness {
 public:
  bool Add(const std::string& Text, size_t From);

 private:
  bool lt_ = false;
  size_t firstGt_ = std::string::npos;
};

}  // namespace detail

}  // namespace TkxComTools
