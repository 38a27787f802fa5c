// tests/support/JsonForTesting.h — for tests and fuzz targets: readers of
// JSON independent of ours, so a test can show that what the system writes
// is JSON for others too and that our parser reads what they read.
// nlohmann-json (header only, Debian package nlohmann-json3-dev) and
// Python's json module; never used by the library itself.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/json/BsonValue.h"
#include "platform/json/JsonWriter.h"

namespace kx::platform {

// nlohmann's tree as a BsonValue with the kinds our parser gives: a whole
// number is Int32 when it fits, else Int64, else (an unsigned beyond 2^63)
// Double; every other number Double; strings UTF-8 through the codec.
inline BsonValue NlohmannToBson(const nlohmann::ordered_json& J) {
  using nlohmann::ordered_json;
  switch (J.type()) {
    case ordered_json::value_t::null:
      return BsonValue::Null();
    case ordered_json::value_t::boolean:
      return BsonValue::Boolean(J.get<bool>());
    case ordered_json::value_t::number_integer:
    case ordered_json::value_t::number_unsigned: {
      if (J.is_number_unsigned() && J.get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max()))
        return BsonValue::Double(static_cast<double>(J.get<uint64_t>()));
      const int64_t v = J.get<int64_t>();
      if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        return BsonValue::Int32(static_cast<int32_t>(v));
      return BsonValue::Int64(v);
    }
    case ordered_json::value_t::number_float:
      return BsonValue::Double(J.get<double>());
    case ordered_json::value_t::string:
      return BsonValue::String(ToUtf16(J.get_ref<const std::string&>()));
    case ordered_json::value_t::array: {
      std::vector<BsonValue> items;
      for (const auto& item : J) items.push_back(NlohmannToBson(item));
      return BsonValue::Array(std::move(items));
    }
    case ordered_json::value_t::object: {
      std::vector<BsonElement> members;
      for (auto it = J.begin(); it != J.end(); ++it)
        members.push_back({ToUtf16(it.key()), NlohmannToBson(it.value())});
      return BsonValue::Document(std::move(members));
    }
    default:
      return BsonValue::Null();
  }
}

// True when python3 can be run (asked once).
inline bool HavePython() {
  static const bool have = std::system("python3 -c '' >/dev/null 2>&1") == 0;
  return have;
}

// What Python's json module reads from each of Texts, written again by it
// (json.dumps, ASCII only, order kept): its NaN, Infinity and lone
// surrogates too. One Python run for all; "" for a text Python refused, and
// all "" when it could not run.
inline std::vector<std::string> PythonJsonRoundTrip(const std::vector<std::string>& Texts) {
  const char* tmp = std::getenv("TMPDIR");
  static int counter = 0;
  const std::string base = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/pyjson." +
                           std::to_string(::getpid()) + "." + std::to_string(++counter) + ".";
  for (size_t i = 0; i < Texts.size(); ++i)
    std::ofstream(base + std::to_string(i), std::ios::binary) << Texts[i];
  const std::string command =
      "python3 -c 'import json,sys\n"
      "for i in range(int(sys.argv[2])):\n"
      "  n = sys.argv[1] + str(i)\n"
      "  try: t = json.dumps(json.load(open(n, encoding=\"ascii\")))\n"
      "  except Exception: t = \"\"\n"
      "  open(n + \".out\", \"w\", encoding=\"ascii\").write(t)\n' '" +
      base + "' " + std::to_string(Texts.size()) + " 2>/dev/null";
  const bool ran = std::system(command.c_str()) == 0;
  std::vector<std::string> results(Texts.size());
  for (size_t i = 0; i < Texts.size(); ++i) {
    const std::string in = base + std::to_string(i);
    if (ran) {
      std::ifstream read(in + ".out", std::ios::binary);
      results[i].assign(std::istreambuf_iterator<char>(read), std::istreambuf_iterator<char>());
    }
    std::remove(in.c_str());
    std::remove((in + ".out").c_str());
  }
  return results;
}

}  // namespace kx::platform
