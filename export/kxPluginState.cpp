#include "export/kxPluginState.h"

#include <new>
#include <utility>

namespace kx::plugin {

TkxPluginState& PluginState() {
  // Never destroyed: the library's finalisation, which may run after every
  // other destructor of the process, still finds it. It lives in the
  // library's own static storage, not on the heap, so unloading the library
  // leaves nothing behind once ResetPluginState has released its contents.
  alignas(TkxPluginState) static unsigned char storage[sizeof(TkxPluginState)];
  static TkxPluginState* const state = new (storage) TkxPluginState();
  return *state;
}

void ResetPluginState() {
  // Swapped, not assigned: assigning an empty text keeps the old text's
  // buffer, which would then outlive the library.
  TkxPluginState released;
  std::swap(PluginState(), released);
}

}  // namespace kx::plugin
