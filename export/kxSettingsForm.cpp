#include "export/kxSettingsForm.h"

#include <utility>

namespace kx::plugin {
namespace {

TkxSettingsFormFactory& Factory() {
  static TkxSettingsFormFactory factory;
  return factory;
}

}  // namespace

void SetSettingsFormFactory(TkxSettingsFormFactory NewFactory) {
  Factory() = std::move(NewFactory);
}

std::unique_ptr<TkxSettingsForm> CreateSettingsForm() {
  return Factory() ? Factory()() : nullptr;
}

}  // namespace kx::plugin
