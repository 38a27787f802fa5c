#include "environment/kxComTools.h"

#include <algorithm>
#include <atomic>
#include <string_view>

#include "platform/net/tcp_client.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/LargeBuffer.h"
#include "platform/rtl/Trim.h"
#include "system/internal/kxBase64.h"
#include "system/kxBase64.h"
#include "system/kxFiles_Contents.h"
#include "text/kxConversion.h"
#include "text/kxStrings_PlaceHolders.h"

namespace TkxComTools {
namespace {

constexpr size_t kBlock = 10000;
constexpr size_t kAnswerCap = size_t{1} << 30;
constexpr char kProbe[] = "<ALIVE><></ALIVE>";

std::atomic<size_t> g_answerCap{0};  // 0: kAnswerCap

AnsiString Upper(std::string_view Text) { return ToUtf8(UpperText(ToUtf16(Text))); }
AnsiString Lower(std::string_view Text) { return ToUtf8(LowerText(ToUtf16(Text))); }

// The text before the first "=" and the text after it; without "=" an empty
// name and the whole text.
std::pair<std::string_view, std::string_view> NameAndValue(std::string_view Part) {
  const size_t eq = Part.find('=');
  if (eq == std::string_view::npos) return {std::string_view(), Part};
  return {Part.substr(0, eq), Part.substr(eq + 1)};
}

bool NumericHost(const UnicodeString& Server) {
  const size_t dot = Server.find(u'.');
  return TkxConversion::StrToInt(Server.substr(0, dot), -1) > 0;
}

// Connects, sends and receives. Raises on resolution, connect and socket
// errors; answers whether the receive succeeded.
bool Exchange(const UnicodeString& Server, int32_t Port, int32_t ConWait, int32_t ResWait,
              const AnsiString& Quest, AnsiString& Answer) {
  Answer.clear();
  kx::platform::net::TcpClient client;
  client.Connect(ToUtf8(Server), Port, NumericHost(Server), ConWait);
  for (size_t sent = 0; sent < Quest.size();) {
    const size_t n = client.Send(Quest.data() + sent, std::min(kBlock, Quest.size() - sent));
    if (n == 0) break;
    sent += n;
  }
  const size_t cap = g_answerCap.load() != 0 ? g_answerCap.load() : kAnswerCap;
  detail::AnswerCompleteness complete;
  char block[kBlock];
  while (client.WaitForData(ResWait)) {
    const size_t n = client.Receive(block, sizeof block);
    if (n == 0) break;
    const size_t from = Answer.size();
    Answer.append(block, std::find(block, block + n, '\0') - block);
    if (Answer.size() > cap) {
      Answer.clear();
      return false;
    }
    if (complete.Add(Answer, from)) break;
  }
  return !Answer.empty() && Answer.back() == '>';
}

}  // namespace

namespace detail {

void SetAnswerCapForTesting(size_t Bytes) { g_answerCap = Bytes; }

bool IsCompleteAnswer(std::string_view Text) {
  const size_t firstGt = Text.find('>');
  if (Text.find('<') == std::string_view::npos || firstGt == std::string_view::npos) return false;
  // A text that starts with ">" has an empty type.
  const std::string closing = "/" + std::string(firstGt == 0 ? std::string_view() : Text.substr(1, firstGt - 1));
  return Text.size() >= closing.size() + 1 &&
         Text.substr(Text.size() - 1 - closing.size(), closing.size()) == closing;
}

bool AnswerCompleteness::Add(const std::string& Text, size_t From) {
  if (!lt_ && Text.find('<', From) != std::string::npos) lt_ = true;
  if (firstGt_ == std::string::npos) firstGt_ = Text.find('>', From);
  if (!lt_ || firstGt_ == std::string::npos) return false;
  const std::string_view type =
      firstGt_ == 0 ? std::string_view() : std::string_view(Text).substr(1, firstGt_ - 1);
  if (Text.size() < type.size() + 2) return false;
  const size_t at = Text.size() - 2 - type.size();
  return Text[at] == '/' && std::string_view(Text).substr(at + 1, type.size()) == type;
}

}  // namespace detail

bool AddComParam(const AnsiString& Param, const AnsiString& Value, TComRes& ComList) {
  try {
    ComList.push_back(Param + "=" + Value);
    return true;
  } catch (...) {
    return false;
  }
}

bool AddObjectContentComParam(const AnsiString& filename, const AnsiString& content,
                              TComRes& ComList) {
  try {
    const size_t dot = filename.rfind('.');
    AnsiString extension;
    if (dot != std::string::npos && filename.find_first_of("\\/:", dot) == std::string::npos)
      extension = Lower(std::string_view(filename).substr(dot + 1));
    ComList.push_back("obj(" + extension + ")=" + content);
    return true;
  } catch (...) {
    return false;
  }
}

bool AddObjectComParam(const AnsiString& filename, TComRes& ComList) {
  try {
    AnsiString content;
    if (!TkxFiles::LoadFileToString(ToUtf16(filename), content)) return false;
    return AddObjectContentComParam(filename, content, ComList);
  } catch (...) {
    return false;
  }
}

AnsiString BuiltComString(const AnsiString& ComTyp, bool encode, bool compress, TComRes& ComList) {
  try {
    if (compress) encode = true;
    AnsiString body;
    for (AnsiString& part : ComList) {
      if (compress) part = TkxStrings::CompressString(part);
      if (encode) part = TkxBase64::StrToBase64(part, false);
      body += "<" + part + ">";
    }
    return "<" + ComTyp + ">" + (encode ? "<enc=mime>" : "<enc=none>") +
           (compress ? "<comp=true>" : "<comp=false>") + body + "</" + ComTyp + ">";
  } catch (...) {
    return {};
  }
}

bool ParseComAnswer(const AnsiString& Request, AnsiString& ComTyp, TComResExt& ComList,
                    bool ParseParVal) {
  try {
    ComList.clear();
    const std::string_view text(Request);
    std::vector<std::string_view> tags;
    size_t pos = 0;
    while (text.find('>', pos) != std::string_view::npos) {
      const size_t lt = text.find('<', pos);
      if (lt != std::string_view::npos) pos = lt + 1;
      const size_t gt = text.find('>', pos);
      if (gt == std::string_view::npos) break;
      if (gt > pos) tags.push_back(text.substr(pos, gt - pos));
      pos = gt + 1;
    }
    if (tags.size() < 2) return false;
    if (Upper(tags.back()) != "/" + Upper(tags.front())) return false;
    ComTyp = Upper(tags.front());
    std::vector<std::string_view> parts(tags.begin() + 1, tags.end() - 1);

    if (!ParseParVal) {
      for (size_t i = 0; i < parts.size(); ++i)
        ComList.push_back({std::to_string(i), "", AnsiString(parts[i])});
      return true;
    }
    bool encoded = false, compressed = false, haveEnc = false, haveComp = false;
    for (auto it = parts.begin(); it != parts.end() && !(haveEnc && haveComp);) {
      const auto [name, value] = NameAndValue(*it);
      // Only short texts can be marks (four characters of at most four bytes
      // each), so a large part is never case-mapped here.
      const AnsiString lowered = name.size() <= 16 ? Lower(name) : AnsiString();
      if (lowered == "comp") {
        compressed = TkxConversion::StrToBool(LowerText(ToUtf16(value)));
        haveComp = true;
        it = parts.erase(it);
      } else if (lowered == "enc") {
        encoded = value.size() <= 16 && Lower(value) == "mime";
        haveEnc = true;
        it = parts.erase(it);
      } else {
        ++it;
      }
    }
    ComList.reserve(parts.size());
    for (std::string_view part : parts) {
      // Decoded straight from the answer, and the value kept in the decoded
      // text: a file part of 100 MB is not copied again.
      AnsiString decoded;
      if (encoded) {
        kx::platform::ReserveLarge(decoded, 3 * ((part.size() + 3) / 4));
        kxInternal::Base64Decoder decoder;
        decoder.Update(part, decoded);
        decoder.Finish(decoded);
      } else {
        decoded.assign(part);
      }
      if (compressed) decoded = TkxStrings::DecompressString(decoded);
      const size_t eq = decoded.find('=');
      TComPart record;
      if (eq != std::string::npos) {
        record.OrgParam = decoded.substr(0, eq);
        decoded.erase(0, eq + 1);
      }
      record.Value = std::move(decoded);
      record.Param = Upper(record.OrgParam);
      ComList.push_back(std::move(record));
    }
    return true;
  } catch (...) {
    ComList.clear();
    return false;
  }
}

AnsiString GetComType(const AnsiString& Request) {
  try {
    std::string_view text(Request);
    const size_t lt = text.find('<');
    if (lt != std::string_view::npos) text.remove_prefix(lt + 1);
    const size_t gt = text.find('>');
    text = gt == std::string_view::npos ? std::string_view() : text.substr(0, gt);
    return Upper(TrimBlanks(text));
  } catch (...) {
    return {};
  }
}

int32_t GetComParamId(const TComResExt& ComList, const AnsiString& Param) {
  try {
    const AnsiString wanted = Upper(Param);
    for (size_t i = 0; i < ComList.size(); ++i)
      if (ComList[i].Param == wanted) return static_cast<int32_t>(i);
  } catch (...) {
  }
  return -1;
}

bool ComParamExists(const TComResExt& ComList, const AnsiString& Param) {
  try {
    const AnsiString wanted = Upper(Param);
    for (const TComPart& p : ComList)
      if (Upper(p.Param) == wanted) return true;
  } catch (...) {
  }
  return false;
}

AnsiString GetComParam(const TComResExt& ComList, const AnsiString& Param) {
  return GetComParamExt(ComList, Param, AnsiString());
}

AnsiString GetComParamExt(const TComResExt& ComList, const AnsiString& Param,
                          const AnsiString& Default) {
  const int32_t at = GetComParamId(ComList, Param);
  return at < 0 ? Default : ComList[static_cast<size_t>(at)].Value;
}

uint32_t GetComParamSize(const TComResExt& ComList, const AnsiString& Param) {
  const int32_t at = GetComParamId(ComList, Param);
  return at < 0 ? 0 : static_cast<uint32_t>(ComList[static_cast<size_t>(at)].Value.size());
}

int32_t GetFreeComParam(const TComResExt& ComList) {
  for (size_t i = 0; i < ComList.size(); ++i)
    if (ComList[i].Param.empty()) return static_cast<int32_t>(i);
  return -1;
}

AnsiString GetComListParamExt(const TComRes& ComList, const AnsiString& Param,
                              const AnsiString& Default) {
  try {
    const AnsiString wanted = Upper(Param);
    for (const AnsiString& text : ComList) {
      const auto [name, value] = NameAndValue(text);
      if (name == wanted) return AnsiString(value);
    }
  } catch (...) {
  }
  return Default;
}

bool AskServer(const UnicodeString& Server, int32_t Port, int32_t ConWait, int32_t ResWait,
               const AnsiString& Quest, AnsiString& ComTyp, TComResExt& comres) {
  bool ok = false;
  try {
    AnsiString answer;
    ok = Exchange(Server, Port, ConWait, ResWait, Quest, answer) &&
         ParseComAnswer(answer, ComTyp, comres, true);
  } catch (...) {
    ok = false;
  }
  if (!ok) comres.clear();
  return ok;
}

bool AskServer(const UnicodeString& Server, int32_t Port, int32_t ConWait, int32_t ResWait,
               const AnsiString& Quest, AnsiString& ComText) {
  try {
    return Exchange(Server, Port, ConWait, ResWait, Quest, ComText);
  } catch (...) {
    ComText.clear();
    return false;
  }
}

bool AskServer(TServerList& ServerList, int32_t ConWait, int32_t ResWait, const AnsiString& Quest,
               AnsiString& ComTyp, TComResExt& comres, int32_t& ServerId) {
  ServerId = -1;
  bool ok = false;
  try {
    std::vector<TServer>& servers = ServerList.Server;
    const int32_t count = static_cast<int32_t>(servers.size());
    std::vector<bool> tried(servers.size(), false);
    while (count > 0 && !ok) {
      int32_t start = ServerList.ActId + (ServerList.Rotate ? 1 : 0);
      if (start >= count || start < 0) start = 0;
      int32_t found = -1;
      for (int32_t i = start; i < count && found < 0; ++i)
        if (servers[static_cast<size_t>(i)].Active) found = i;
      for (int32_t i = 0; i < count && found < 0; ++i)
        if (servers[static_cast<size_t>(i)].Active) found = i;
      if (found < 0) {
        ServerList.ActId = 0;
        ServerId = 0;
        for (TServer& s : servers) {
          AnsiString type;
          TComResExt answer;
          s.Active = AskServer(s.Host, s.Port, 2000, 5000, kProbe, type, answer);
        }
        break;
      }
      ServerId = found;
      ServerList.ActId = found;
      // The selection gives the same server again only when nothing has
      // changed since it was tried: the call ends there.
      if (tried[static_cast<size_t>(found)]) break;
      tried[static_cast<size_t>(found)] = true;
      TServer& s = servers[static_cast<size_t>(found)];
      try {
        AnsiString answer;
        ok = Exchange(s.Host, s.Port, ConWait, ResWait, Quest, answer) &&
             ParseComAnswer(answer, ComTyp, comres, true);
      } catch (...) {
        s.Active = false;
      }
    }
  } catch (...) {
    ok = false;
  }
  if (!ok) comres.clear();
  return ok;
}

}  // namespace TkxComTools
