#include "config/kxConfigAccessImpl.h"

#include "config/kxConfigManager.h"
#include "environment/kxConfigAccess.h"

namespace {

class ConfigStore final : public IkxConfigStore {
 public:
  ConfigStore(bool z9Init, const UnicodeString& UserConStr, const UnicodeString& TableName)
      : store_(z9Init, UserConStr, TableName) {}
  bool IsConnected() override { return store_.IsConnected(); }
  void SetCacheEnabled(bool Enabled) override { store_.CacheEnabled = Enabled; }
  void SetRaiseExceptions(bool Raise) override { store_.RaiseExceptions = Raise; }
  Variant GetConfigValue(const UnicodeString& Key, const UnicodeString& VarName, const Variant& Default,
                         bool Create) override {
    return store_.GetConfigValue(Key, VarName, Default, Create);
  }
  UnicodeString Message() const override { return store_.Message.Get(); }

 private:
  TkxConfigManager store_;
};

std::unique_ptr<IkxConfigStore> Open(bool z9Init, const UnicodeString& UserConStr,
                                     const UnicodeString& TableName) {
  return std::make_unique<ConfigStore>(z9Init, UserConStr, TableName);
}

}  // namespace

void RegisterConfigAccess() { kxConfigAccess::Register(&Open); }
void UnregisterConfigAccess() { kxConfigAccess::Register(nullptr); }
