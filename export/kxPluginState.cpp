#include "export/kxPluginState.h"

namespace kx::plugin {

TkxPluginState& PluginState() {
  // Never destroyed: the library's finalisation, which may run after every
  // other destructor of the process, still finds it. Its contents go with
  // ResetPluginState.
  static TkxPluginState* const state = new TkxPluginState();
  return *state;
}

void ResetPluginState() { PluginState() = TkxPluginState(); }

}  // namespace kx::plugin
