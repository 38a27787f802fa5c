// The JSON parser on arbitrary bytes. It never crashes; what it accepts, our
// writer writes, and that text parses again to the same tree and is written
// the same (doubles settle after one trip: they are written with 15
// digits). Where nlohmann accepts the text as an object (so it holds no NaN
// and no lone surrogate) within our nesting limit, ours accepts it too,
// unless a name repeats, and both trees are equal (texts without a zero
// byte, where nlohmann stops reading).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/JsonForTesting.h"
#include "platform/json/JsonReader.h"

namespace {

using nlohmann::ordered_json;

int Depth(const ordered_json& J) {
  if (!J.is_structured()) return 0;
  int deepest = 0;
  for (const auto& item : J) deepest = std::max(deepest, Depth(item));
  return deepest + 1;
}

[[noreturn]] void Fail(const char* What, const std::string& A, const std::string& B) {
  std::fprintf(stderr, "%s\n%s\n%s\n", What, A.c_str(), B.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<BsonValue> ours;
  std::string error;
  try {
    ours = kx::platform::ParseJsonToBson(text);
  } catch (const EJsonError& e) {
    error = e.what();
  }

  if (ours) {
    const std::string written = kx::platform::BsonValueToJson(*ours);
    const BsonValue again = kx::platform::ParseJsonToBson(written);  // raises, and so fails, if refused
    const std::string rewritten = kx::platform::BsonValueToJson(again);
    if (rewritten != kx::platform::BsonValueToJson(kx::platform::ParseJsonToBson(rewritten)))
      Fail("written text does not settle", written, rewritten);
    for (unsigned char c : written)
      if (c < 0x20 || c > 0x7F) Fail("written text is not ASCII without controls", text, written);
  }

  // nlohmann ends its input at a zero byte; ours refuses what follows.
  if (text.find('\0') != std::string::npos) return 0;
  const ordered_json theirs = ordered_json::parse(text, nullptr, false);
  if (theirs.is_discarded() || !theirs.is_object() || Depth(theirs) > kx::platform::kJsonMaxDepth)
    return 0;
  if (!ours) {
    if (error.find("repeated") != std::string::npos) return 0;
    Fail("nlohmann accepts what we refuse", text, error);
  }
  if (!(kx::platform::NlohmannToBson(theirs) == *ours))
    Fail("trees differ", kx::platform::BsonValueToJson(kx::platform::NlohmannToBson(theirs)),
         kx::platform::BsonValueToJson(*ours));
  return 0;
}
