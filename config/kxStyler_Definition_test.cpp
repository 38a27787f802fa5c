#include "config/kxStyler_Definition.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/FakeInstallation.h"

namespace {

using kx::testing::FakeInstallation;
using kx::testing::InstallKind;

struct Style {
  UnicodeString name;
  int32_t size;
  int32_t delta;
  UnicodeString preserve;
};

Style Current() {
  const TkxCommonStyleDefinition& c = kxStyler::StyleDefinition().Common;
  return {c.Font->Name(), c.Font->Size(), c.FontSizeDelta, c.PreserveFonts};
}

void ExpectStyle(const Style& want, const std::string& what) {
  const Style got = Current();
  EXPECT_EQ(got.name, want.name) << what;
  EXPECT_EQ(got.size, want.size) << what;
  EXPECT_EQ(got.delta, want.delta) << what;
  EXPECT_EQ(got.preserve, want.preserve) << what;
}

std::string StyleFile(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kxStyle FormatVersion=\"2.0\">" + body + "</kxStyle>";
}

const UnicodeString kBuiltInPreserved = u"Consolas,Courier,Courier New,Lucida Console";

class StyleDefinitionTest : public ::testing::Test {
 protected:
  void TearDown() override { kxStyler::FinalizeStyleDefinition(); }
  FakeInstallation install_{InstallKind::Installed};
};

TEST_F(StyleDefinitionTest, WithoutAStyleFileTheBuiltInStyle) {
  kxStyler::InitializeStyleDefinition();
  ExpectStyle({u"Segoe UI", 8, 0, kBuiltInPreserved}, "no file");
  EXPECT_EQ(&TkxStyler::DefaultFont(), kxStyler::StyleDefinition().Common.Font.get());
}

TEST_F(StyleDefinitionTest, ReadingStopsAtTheFirstValueThatIsNoWholeNumber) {
  struct Case { std::string body; Style want; const char* what; };
  const Case cases[] = {
      {"<FontName Type=\"UCS2STR\">Verdana</FontName><FontSize Type=\"INT\">10</FontSize>"
       "<FontSizeDelta Type=\"INT\">2</FontSizeDelta><PreserveFonts Type=\"UCS2STR\">Arial</PreserveFonts>",
       {u"Verdana", 10, 2, u"Arial"}, "every key"},
      {"<FontName Type=\"UCS2STR\">Verdana</FontName>", {u"Verdana", 8, 0, kBuiltInPreserved},
       "no FontSize: the rest keeps its built-in values"},
      {"<FontName Type=\"UCS2STR\"></FontName><FontSize Type=\"UCS2STR\">12</FontSize>"
       "<FontSizeDelta Type=\"UCS2STR\">x</FontSizeDelta><PreserveFonts>Arial</PreserveFonts>",
       {u"Segoe UI", 12, 0, kBuiltInPreserved}, "empty name ignored, text sizes converted, bad delta stops"},
      {"<FontSize>9</FontSize><FontSizeDelta>-1</FontSizeDelta><PreserveFonts/>",
       {u"Segoe UI", 9, -1, u""}, "an empty list empties it"},
  };
  for (const auto& c : cases) {
    install_.WriteFile(install_.Root() + "cfg/kxStyle.xml", StyleFile(c.body));
    kxStyler::InitializeStyleDefinition();
    ExpectStyle(c.want, c.what);
  }
  install_.WriteFile(install_.Root() + "cfg/kxStyle.xml", "not xml <<<");
  kxStyler::InitializeStyleDefinition();
  ExpectStyle({u"Segoe UI", 8, 0, kBuiltInPreserved}, "a file that does not parse");
}

TEST_F(StyleDefinitionTest, TheHostProgramsFolderComesFirst) {
  install_.WriteFile(install_.Root() + "cfg/kxStyle.xml", StyleFile("<FontName>Arial</FontName>"));
  install_.WriteFile(install_.HostFolder() + "kxStyle.xml", StyleFile("<FontName>Tahoma</FontName>"));
  kxStyler::InitializeStyleDefinition();
  EXPECT_EQ(Current().name, u"Tahoma");
}

}  // namespace
