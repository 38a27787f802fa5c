#include "environment/kxComTools.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/net/name_lookup.h"
#include "system/kxBase64.h"
#include "tests/support/Process.h"
#include "tests/support/TaggedServer.h"
#include "text/kxStrings_PlaceHolders.h"

namespace {

using namespace std::string_literals;
using kx::testing::TaggedServer;
using namespace TkxComTools;

std::string Hex(const std::string& Bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : Bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}
std::string Unhex(const std::string& Text) {
  std::string out;
  for (size_t i = 0; i + 1 < Text.size(); i += 2) out += static_cast<char>(std::stoi(Text.substr(i, 2), nullptr, 16));
  return out;
}

// ---- Building and reading --------------------------------------------------------------

TEST(ComStrings, BuildAndParse) {
  TComRes parts;
  EXPECT_TRUE(AddComParam("a", "1", parts));
  EXPECT_TRUE(AddComParam("b", "2", parts));
  TComRes plain = parts;
  const AnsiString text = BuiltComString("Q", false, false, plain);
  EXPECT_EQ(text, "<Q><enc=none><comp=false><a=1><b=2></Q>");
  EXPECT_EQ(plain, parts);

  AnsiString type;
  TComResExt records;
  ASSERT_TRUE(ParseComAnswer(text, type, records, true));
  EXPECT_EQ(type, "Q");
  EXPECT_EQ(records, (TComResExt{{"A", "a", "1"}, {"B", "b", "2"}}));
  ASSERT_TRUE(ParseComAnswer(text, type, records, false));
  EXPECT_EQ(records, (TComResExt{{"0", "", "enc=none"}, {"1", "", "comp=false"}, {"2", "", "a=1"}, {"3", "", "b=2"}}));

  TComRes packed = parts;
  const AnsiString compressed = BuiltComString("Q", false, true, packed);
  EXPECT_EQ(compressed.substr(0, 25), "<Q><enc=mime><comp=true><");
  // The caller's list holds the encoded parts.
  EXPECT_EQ(packed[0], TkxBase64::StrToBase64(TkxStrings::CompressString("a=1"), false));
  ASSERT_TRUE(ParseComAnswer(compressed, type, records, true));
  EXPECT_EQ(records, (TComResExt{{"A", "a", "1"}, {"B", "b", "2"}}));
  TComRes encoded = parts;
  ASSERT_TRUE(ParseComAnswer(BuiltComString("Q", true, false, encoded), type, records, true));
  EXPECT_EQ(records, (TComResExt{{"A", "a", "1"}, {"B", "b", "2"}}));
}

TEST(ComStrings, ParseEdgeCases) {
  struct Case {
    std::string text;
    bool ok;
    std::string type;
    TComResExt records;
  };
  const std::string noEq = TkxBase64::StrToBase64("just text", false);
  const Case cases[] = {
      {"<q><enc=none><comp=false><a=1></Q>", true, "Q", {{"A", "a", "1"}}},  // other case closes
      {"<Q><a=1></R>", false, "", {}},
      {"<Q><a=1>", false, "", {}},
      {"<Q>", false, "", {}},
      {"", false, "", {}},
      {"<ALIVE><></ALIVE>", true, "ALIVE", {}},
      {"<Q><obj(pdf)=%PDF></Q>", true, "Q", {{"OBJ(PDF)", "obj(pdf)", "%PDF"}}},
      {"<Q><ENC=MIME><" + noEq + "></Q>", true, "Q", {{"", "", "just text"}}},  // marks in any case
      {"junk<Q> between <x=1> and <y=a=b> </Q>tail", true, "Q", {{"X", "x", "1"}, {"Y", "y", "a=b"}}},
      {"<Q><comp=true><enc=mime><" + TkxBase64::StrToBase64("not zlib", false) + "></Q>", false, "", {}},
      {"<Q><enc=none><a=1><b></Q>", true, "Q", {{"A", "a", "1"}, {"", "", "b"}}},
  };
  for (const Case& c : cases) {
    AnsiString type = "stale";
    TComResExt records{{"old", "", ""}};
    EXPECT_EQ(ParseComAnswer(c.text, type, records, true), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(type, c.type) << c.text;
      EXPECT_EQ(records, c.records) << c.text;
    }
  }
  EXPECT_EQ(GetComType("  < q x \t>rest"), "Q X");
  EXPECT_EQ(GetComType("no tag"), "");
  EXPECT_EQ(GetComType("abc>def"), "ABC");
}

TEST(ComStrings, ObjectParts) {
  const std::filesystem::path folder = std::filesystem::path(std::getenv("TMPDIR")) / "com_objects";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Report.PDF", std::ios::binary) << "%PDF\0<x>"s;
  TComRes parts;
  EXPECT_TRUE(AddObjectComParam((folder / "Report.PDF").string(), parts));
  EXPECT_FALSE(AddObjectComParam((folder / "missing.pdf").string(), parts));
  EXPECT_FALSE(AddObjectComParam(folder.string(), parts));  // a folder is no file
  EXPECT_TRUE(AddObjectContentComParam("dir.v2/name", "c", parts));
  EXPECT_TRUE(AddObjectContentComParam("dir.v2\\name", "c", parts));
  EXPECT_TRUE(AddObjectContentComParam("C:name", "c", parts));
  EXPECT_TRUE(AddObjectContentComParam("a.b.TXT", "c", parts));
  EXPECT_EQ(parts, (TComRes{"obj(pdf)=%PDF\0<x>"s, "obj()=c", "obj()=c", "obj()=c", "obj(txt)=c"}));
  // Zero bytes and "<" travel intact only encoded.
  AnsiString type;
  TComResExt records;
  ASSERT_TRUE(ParseComAnswer(BuiltComString("F", true, false, parts), type, records, true));
  EXPECT_EQ(records[0].Param, "OBJ(PDF)");
  EXPECT_EQ(records[0].Value, "%PDF\0<x>"s);
  std::filesystem::remove_all(folder);
}

TEST(ComStrings, Lookups) {
  const TComResExt list = {{"ID", "Id", "12345"}, {"", "", "free"}, {"NAME", "name", "x=y"}, {"Mixed", "", "m"}};
  EXPECT_TRUE(ComParamExists(list, "id"));
  EXPECT_TRUE(ComParamExists(list, "MIXED"));  // both sides upper-cased
  EXPECT_EQ(GetComParamId(list, "mixed"), -1);  // the others upper-case only the wanted name
  EXPECT_EQ(GetComParamId(list, "name"), 2);
  EXPECT_EQ(GetComParam(list, "name"), "x=y");
  EXPECT_EQ(GetComParam(list, "none"), "");
  EXPECT_EQ(GetComParamExt(list, "none", "d"), "d");
  EXPECT_EQ(GetComParamSize(list, "id"), 5u);
  EXPECT_EQ(GetComParamSize(list, "none"), 0u);
  EXPECT_EQ(GetFreeComParam(list), 1);
  EXPECT_EQ(GetFreeComParam({}), -1);
  const std::string longValue(100000, 'v');
  EXPECT_EQ(GetComListParamExt({"x=1", "ID=" + longValue + "=z"}, "id", "d"), longValue + "=z");
  EXPECT_EQ(GetComListParamExt({"id=1"}, "id", "d"), "d");  // the stored name is not upper-cased
  EXPECT_EQ(GetComListParamExt({"novalue"}, "", "d"), "novalue");
}

TEST(ComStrings, AgainstAnIndependentReaderAndWriter) {
  struct Message {
    std::string type;
    bool encode, compress;
    std::vector<std::string> parts;
  };
  const std::string binary = "obj(bin)="s + std::string("\0\x01\xff<>=\r\n", 9) + std::string(70000, 'z');
  const Message messages[] = {
      {"Q", false, false, {"a=1", "b=2", "c=", "=d"}},
      {"DOC", true, false, {"name=M\xC3\xBCller", binary, "noequals"}},
      {"Put", true, true, {"x=" + std::string(200000, 'x'), binary, ""}},
      {"E", false, true, {}},
  };
  nlohmann::json ops = nlohmann::json::array();
  std::vector<std::string> ours;
  for (const Message& m : messages) {
    nlohmann::json parts = nlohmann::json::array();
    for (const std::string& p : m.parts) parts.push_back(Hex(p));
    ops.push_back({{"op", "build"}, {"type", Hex(m.type)}, {"encode", m.encode}, {"compress", m.compress}, {"parts", parts}});
    TComRes list(m.parts.begin(), m.parts.end());
    ours.push_back(BuiltComString(m.type, m.encode, m.compress, list));
    ops.push_back({{"op", "parse"}, {"text", Hex(ours.back())}});
  }
  const auto run = kx::testing::RunBounded(
      {"python3", std::string(std::getenv("KX_SOURCE_DIR")) + "/tests/support/com_oracle.py"}, 60000, ops.dump());
  if (run.ExitCode == -1 && !run.TimedOut) GTEST_SKIP() << "python3 is not there";
  ASSERT_EQ(run.ExitCode, 0) << run.Output;
  const nlohmann::json out = nlohmann::json::parse(run.Output);
  for (size_t i = 0; i < std::size(messages); ++i) {
    const Message& m = messages[i];
    const std::string theirs = Unhex(out[2 * i]["text"]);
    // Built the same to the byte (the same zlib at level 9 on both sides).
    EXPECT_EQ(Hex(theirs), Hex(ours[i])) << m.type;
    // Theirs read by us.
    AnsiString type;
    TComResExt records;
    ASSERT_TRUE(ParseComAnswer(theirs, type, records, true)) << m.type;
    std::string upper = m.type;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(type, upper);
    ASSERT_EQ(records.size(), m.parts.size());
    // Ours read by them.
    const nlohmann::json& parsed = out[2 * i + 1];
    ASSERT_TRUE(parsed["ok"].get<bool>()) << m.type;
    ASSERT_EQ(parsed["records"].size(), records.size());
    for (size_t r = 0; r < records.size(); ++r) {
      EXPECT_EQ(Unhex(parsed["records"][r][0]), records[r].Param);
      EXPECT_EQ(Unhex(parsed["records"][r][1]), records[r].OrgParam);
      EXPECT_EQ(Unhex(parsed["records"][r][2]), records[r].Value);
      const size_t eq = m.parts[r].find('=');
      EXPECT_EQ(records[r].Value, eq == std::string::npos ? m.parts[r] : m.parts[r].substr(eq + 1));
    }
  }
}

// ---- Asking servers ---------------------------------------------------------------------

const AnsiString kQuest = "<Q><enc=none><comp=false><a=1></Q>";

std::string Answer(const std::string& Body) { return "<R><enc=none><comp=false>" + Body + "</R>"; }

TEST(AskServer, AnswersAsTheyCome) {
  struct Case {
    const char* what;
    TaggedServer::Behaviour behaviour;
    int resWait;
    bool raw, parsed;
    std::string rawText;
  };
  const std::string normal = Answer("<x=1>");
  const Case cases[] = {
      {"whole", {TaggedServer::Delivery::Whole, [&](const std::string&) { return normal; }}, 3000, true, true, normal},
      {"small delayed blocks", {TaggedServer::Delivery::Blocks, [&](const std::string&) { return normal; }, 3, 10}, 3000,
       true, true, normal},
      {"zero byte cuts its block", {TaggedServer::Delivery::Whole, [](const std::string&) {
         return "<R><enc=none><comp=false><x=1>\0<y=2></R>"s;
       }}, 300, true, false, "<R><enc=none><comp=false><x=1>"},
      {"nothing", {TaggedServer::Delivery::Silent, {}}, 300, false, false, ""},
      {"closed at once", {TaggedServer::Delivery::Close, {}}, 3000, false, false, ""},
      {"no closing", {TaggedServer::Delivery::Whole, [](const std::string&) { return "<R><x=1"s; }}, 300, false, false, "<R><x=1"},
  };
  for (const Case& c : cases) {
    TaggedServer server(c.behaviour);
    AnsiString raw = "stale";
    EXPECT_EQ(AskServer(u"127.0.0.1", server.Port(), 2000, c.resWait, kQuest, raw), c.raw) << c.what;
    EXPECT_EQ(raw, c.rawText) << c.what;
    AnsiString type;
    TComResExt records{{"old", "", ""}};
    EXPECT_EQ(AskServer(u"127.0.0.1", server.Port(), 2000, c.resWait, kQuest, type, records), c.parsed) << c.what;
    if (c.parsed) {
      EXPECT_EQ(type, "R");
      EXPECT_EQ(records, (TComResExt{{"X", "x", "1"}}));
    } else {
      EXPECT_TRUE(records.empty()) << c.what;
    }
    EXPECT_EQ(server.Requests().front(), kQuest);
  }
}

TEST(AskServer, TheReceiveEndsAtTheClosingTag) {
  // The server keeps the connection open: only the closing tag ends the
  // receive, and it is compared in its case.
  TaggedServer::Behaviour same{TaggedServer::Delivery::Blocks, [](const std::string&) { return Answer("<x=1>"); }, 5, 5};
  same.KeepOpen = true;
  TaggedServer::Behaviour other{TaggedServer::Delivery::Whole, [](const std::string&) { return "<r><enc=none><x=1></R>"s; }};
  other.KeepOpen = true;
  TaggedServer closing(same), lower(other);
  AnsiString type;
  TComResExt records;
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(AskServer(u"127.0.0.1", closing.Port(), 2000, 20000, kQuest, type, records));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  start = std::chrono::steady_clock::now();
  EXPECT_TRUE(AskServer(u"127.0.0.1", lower.Port(), 2000, 400, kQuest, type, records));
  // Only the time-out of 400 ms ended it; a receive that stopped at the tag
  // would take a few ms. The clocks of the time-out and of this test may
  // part by a rounding, hence the margin.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(type, "R");
}

TEST(AskServer, FailuresOfTheConnection) {
  AnsiString type, raw;
  TComResExt records{{"old", "", ""}};
  EXPECT_FALSE(AskServer(u"127.0.0.1", kx::testing::RefusedPort(), 2000, 2000, kQuest, type, records));
  EXPECT_TRUE(records.empty());
  EXPECT_FALSE(AskServer(u"no-such-host.invalid", 1, 2000, 2000, kQuest, raw));
  EXPECT_FALSE(AskServer(u"1.2.3", 1, 2000, 2000, kQuest, raw));  // a number, so an address: a bad one
  // A name goes through the name lookup.
  TaggedServer server({TaggedServer::Delivery::Whole, [](const std::string&) { return Answer("<n=1>"); }});
  kx::platform::net::SetResolverForTesting([](const std::string&, auto, bool) {
    return kx::platform::net::HostLookup{"", "", {"127.0.0.1"}};
  });
  EXPECT_TRUE(AskServer(u"tagged.test", server.Port(), 2000, 2000, kQuest, raw));
  kx::platform::net::SetResolverForTesting(nullptr);
  // An answer past the cap fails.
  TaggedServer big({TaggedServer::Delivery::Whole, [](const std::string&) { return Answer("<x=" + std::string(50000, 'x') + ">"); }});
  detail::SetAnswerCapForTesting(40000);
  EXPECT_FALSE(AskServer(u"127.0.0.1", big.Port(), 2000, 2000, kQuest, raw));
  EXPECT_EQ(raw, "");
  detail::SetAnswerCapForTesting(0);
  EXPECT_TRUE(AskServer(u"127.0.0.1", big.Port(), 2000, 2000, kQuest, raw));
}

TEST(AskServer, ServerLists) {
  TaggedServer a, b, c;  // echo servers: the request comes back and parses
  auto list = [&](bool aa, bool ba, bool ca) {
    TServerList l;
    l.Server = {{aa, u"127.0.0.1", a.Port()}, {ba, u"127.0.0.1", b.Port()}, {ca, u"127.0.0.1", c.Port()}};
    return l;
  };
  AnsiString type;
  TComResExt records;
  int32_t id = 99;

  // Rotation: after the last server comes the first.
  TServerList rotating = list(true, true, true);
  rotating.Rotate = true;
  rotating.ActId = 2;
  EXPECT_TRUE(AskServer(rotating, 2000, 2000, kQuest, type, records, id));
  EXPECT_EQ(id, 0);
  EXPECT_TRUE(AskServer(rotating, 2000, 2000, kQuest, type, records, id));
  EXPECT_EQ(id, 1);
  TServerList fixed = list(false, true, true);
  fixed.ActId = 2;
  EXPECT_TRUE(AskServer(fixed, 2000, 2000, kQuest, type, records, id));
  EXPECT_EQ(id, 2);
  EXPECT_EQ(type, "Q");

  // A server that refuses is marked inactive and the next one is used.
  TServerList refusing = list(false, true, true);
  refusing.Server[1].Port = kx::testing::RefusedPort();
  refusing.ActId = 1;
  EXPECT_TRUE(AskServer(refusing, 2000, 2000, kQuest, type, records, id));
  EXPECT_EQ(id, 2);
  EXPECT_FALSE(refusing.Server[1].Active);

  // None active: every server is probed, nothing is sent, the call fails.
  TServerList down = list(false, false, false);
  down.Server[1].Port = kx::testing::RefusedPort();
  down.ActId = 2;
  const size_t before = a.Requests().size();
  EXPECT_FALSE(AskServer(down, 2000, 2000, kQuest, type, records, id));
  EXPECT_EQ(id, 0);
  EXPECT_EQ(down.ActId, 0);
  EXPECT_TRUE(records.empty());
  EXPECT_TRUE(down.Server[0].Active);
  EXPECT_FALSE(down.Server[1].Active);
  EXPECT_TRUE(down.Server[2].Active);
  EXPECT_EQ(a.Requests().size(), before + 1);
  EXPECT_EQ(a.Requests().back(), "<ALIVE><></ALIVE>");

  TServerList empty;
  EXPECT_FALSE(AskServer(empty, 2000, 2000, kQuest, type, records, id));
  EXPECT_EQ(id, -1);
}

TEST(AskServer, AListThatKeepsFailingEnds) {
  // Servers that answer what does not parse stay active; each is tried once.
  auto garbage = [](const std::string&) { return "<R>no closing tag>"s; };
  TaggedServer a({TaggedServer::Delivery::Whole, garbage}), b({TaggedServer::Delivery::Whole, garbage});
  for (bool rotate : {false, true}) {
    TServerList l;
    l.Rotate = rotate;
    l.Server = {{true, u"127.0.0.1", a.Port()}, {true, u"127.0.0.1", b.Port()}};
    const int before = a.Connections() + b.Connections();
    AnsiString type;
    TComResExt records{{"old", "", ""}};
    int32_t id = -5;
    EXPECT_FALSE(AskServer(l, 2000, 300, kQuest, type, records, id));
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(l.Server[0].Active);
    EXPECT_TRUE(l.Server[1].Active);
    // Without rotation the first server is tried and chosen again; with it both.
    EXPECT_EQ(a.Connections() + b.Connections() - before, rotate ? 2 : 1);
  }
}

}  // namespace
