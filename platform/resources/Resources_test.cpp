#include "platform/resources/Resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/rtl/Exceptions.h"

namespace {

std::string SourceFile(const std::string& Name) {
  std::ifstream in(std::string(std::getenv("KX_SOURCE_DIR")) + "/testdata/resources/" + Name,
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FindResource, AnswersTheFilesBytesByNameAndTypeWithoutRegardToCase) {
  EXPECT_EQ(kx::platform::FindResource(u"Greeting", u"TEXT"), SourceFile("greeting.txt"));
  EXPECT_EQ(kx::platform::FindResource(u"gREETING", u"text"), SourceFile("greeting.txt"));
  EXPECT_EQ(kx::platform::FindResource(u"PIXEL", u"jpeg"), SourceFile("pixel.jpg"));  // binary, zeros included
  EXPECT_EQ(kx::platform::FindResource(u"empty", u"Text"), "");
}

TEST(FindResource, AMissingResourceRaisesNamingIt) {
  const std::pair<std::u16string, std::u16string> missing[] = {
      {u"Greeting", u"JPEG"}, {u"Pixel", u"TEXT"}, {u"Nothing", u"TEXT"}, {u"", u""}};
  for (const auto& [name, type] : missing) {
    try {
      kx::platform::FindResource(name, type);
      ADD_FAILURE() << ToUtf8(name);
    } catch (const EResNotFound& e) {
      EXPECT_EQ(e.ClassName(), u"EResNotFound");
      EXPECT_NE(e.Message.find(name), UnicodeString::npos);
    }
  }
}

}  // namespace
