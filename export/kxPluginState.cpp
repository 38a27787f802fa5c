#include "export/kxPluginState.h"

namespace kx::plugin {

TkxPluginState& PluginState() {
  static TkxPluginState state;
  return state;
}

void ResetPluginState() { PluginState() = TkxPluginState(); }

}  // namespace kx::plugin
