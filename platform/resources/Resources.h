// platform/resources/Resources.h — resources the module carries: files
// built into the library as a table of {type, name, bytes}.
//
// The build makes the table with the CMake function kx_add_resources
// (cmake/KxResources.cmake): an object library that the plug-in (or a test
// program) links, so that the table is part of the module; a module that
// links none has no resources.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/rtl/Text.h"

namespace kx::platform {

// One entry of the table; the names are UTF-8.
struct ResourceEntry {
  const char* Type;
  const char* Name;
  const unsigned char* Data;
  size_t Size;
};
struct ResourceTable {
  const ResourceEntry* Entries;
  size_t Count;
};

// The bytes of the resource Name of type Type; names and types compare
// without regard to case. The bytes live as long as the module. Raises
// EResNotFound naming both when the module carries no such resource.
//   FindResource(u"logo", u"jpeg")  -> the bytes of the entry JPEG/LOGO
std::string_view FindResource(std::u16string_view Name, std::u16string_view Type);

}  // namespace kx::platform
