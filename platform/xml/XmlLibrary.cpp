#include "platform/xml/XmlLibrary.h"

#include <libxml/parser.h>

namespace kx::platform {

void InitializeXmlLibrary() {
  // A function-local static: the first caller runs xmlInitParser, concurrent
  // first callers wait for it, later calls cost one check.
  static const bool initialised = [] {
    xmlInitParser();
    return true;
  }();
  (void)initialised;
}

}  // namespace kx::platform
