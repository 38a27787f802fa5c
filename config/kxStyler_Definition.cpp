#include "config/kxStyler_Definition.h"

#include "environment/kxVanto_Paths.h"
#include "platform/rtl/Variant.h"
#include "system/kxConfigTools.h"
#include "system/kxFiles_Paths.h"

namespace kxStyler {

TkxStyleDefinition& StyleDefinition() {
  static TkxStyleDefinition definition;
  return definition;
}

void InitializeStyleDefinition() {
  TkxCommonStyleDefinition& common = StyleDefinition().Common;
  common.Font = std::make_unique<TFont>();
  common.Font->SetName(u"Segoe UI");
  common.Font->SetSize(8);
  common.FontSizeDelta = 0;
  common.PreserveFonts = u"Consolas,Courier,Courier New,Lucida Console";
  if (TkxVanto::StyleDefinitionExists()) LoadStyleDefinition();
}

void LoadStyleDefinition() {
  try {
    const UnicodeString path = TkxVanto::GetStyleDefinitionPath();
    if (!TkxFiles::FileExists(path)) return;
    TkxCommonStyleDefinition& common = StyleDefinition().Common;
    TFont& font = TkxStyler::DefaultFont();
    TkxConfigTools reader;
    reader.LoadConfig(path);  // a file that does not parse reads as empty
    font.SetName(reader.GetConfigParam(u"FontName").ToString());
    font.SetSize(reader.GetConfigParam(u"FontSize").ToInteger());
    common.FontSizeDelta = reader.GetConfigParam(u"FontSizeDelta").ToInteger();
    common.PreserveFonts = reader.GetConfigParam(u"PreserveFonts").ToString();
  } catch (...) {
  }
}

void FinalizeStyleDefinition() {
  TkxCommonStyleDefinition& common = StyleDefinition().Common;
  common.Font.reset();
  common.PreserveFonts.clear();
  common.FontSizeDelta = 0;
}

}  // namespace kxStyler

namespace TkxStyler {

TFont& DefaultFont() {
  std::unique_ptr<TFont>& font = kxStyler::StyleDefinition().Common.Font;
  if (!font) font = std::make_unique<TFont>();
  return *font;
}

}  // namespace TkxStyler
