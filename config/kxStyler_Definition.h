// config/kxStyler_Definition.h — the style of the library's forms: a default
// font, a size change and the fonts never replaced, read from the
// installation's style file "kxStyle.xml" when it has one.
//
// The style file is a configuration string (system/kxConfigTools.h) with the
// parameters FontName, FontSize, FontSizeDelta and PreserveFonts. Reading
// stops, silently, at the first value that cannot be read: a FontSize or
// FontSizeDelta that is no whole number (missing or empty ones included)
// keeps that value and every later one as it was. An empty FontName keeps
// the name.
//
// The data is made while the library loads (the "kxStyler" module, before
// any window exists) and only read afterwards; the widgets' side of the
// styler is config/kxStyler.h.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/Graphics.h"
#include "platform/rtl/Text.h"

struct TkxCommonStyleDefinition {
  // The default font; owned by the module, made at load, freed at unload.
  std::unique_ptr<TFont> Font;
  // Comma-separated font names that are never replaced.
  UnicodeString PreserveFonts;
  // Points added to the size of every replaced font; 0 leaves sizes alone.
  int32_t FontSizeDelta = 0;
};

struct TkxStyleDefinition {
  TkxCommonStyleDefinition Common;
};

namespace TkxStyler {

// The style definition's font itself, not a copy: callers must not free it.
// Made on first use when the module has not been initialised (tests).
TFont& DefaultFont();

}  // namespace TkxStyler

namespace kxStyler {

// The module's style definition.
TkxStyleDefinition& StyleDefinition();

// The built-in style ("Segoe UI" 8, delta 0, preserved "Consolas,Courier,
// Courier New,Lucida Console"), then the style file when one exists.
void InitializeStyleDefinition();
// Reads the style file over the current values (see the top); swallows
// every error. Nothing when the file does not exist.
void LoadStyleDefinition();
// Frees the font and empties the texts.
void FinalizeStyleDefinition();

}  // namespace kxStyler
