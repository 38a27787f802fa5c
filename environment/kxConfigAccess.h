// environment/kxConfigAccess.h — the configuration store as this layer sees
// it: the log writer and the network settings factory read their settings
// from the store of config/, which sits above this layer. config/ implements
// this interface and registers it when it is linked (RegisterConfigAccess,
// config/kxConfigAccessImpl.h): the plug-in's load list does it, and so does
// a service program that links the static libraries.
//
//   auto store = kxConfigAccess::OpenConfigStore(false, u"", u"kx_configuration");
//   if (store->IsConnected())
//     level = store->GetConfigValue(u"/vanto/Software/Basics/Common", u"DocLogLevel",
//                                   Variant::FromInteger(4), true);
//   // the store is freed with the pointer
#pragma once

#include <memory>

#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

// One open store (TkxConfigManager's rules).
class IkxConfigStore {
 public:
  virtual ~IkxConfigStore() = default;
  // Whether the connection is up; Message tells.
  virtual bool IsConnected() = 0;
  virtual void SetCacheEnabled(bool Enabled) = 0;
  virtual void SetRaiseExceptions(bool Raise) = 0;
  // One value of a node, typed by its stored type; Default when missing
  // (stored with Create); an empty variant on an error.
  virtual Variant GetConfigValue(const UnicodeString& Key, const UnicodeString& VarName,
                                 const Variant& Default, bool Create) = 0;
  // The text of the last success or failure.
  virtual UnicodeString Message() const = 0;
};

namespace kxConfigAccess {

using OpenProc = std::unique_ptr<IkxConfigStore> (*)(bool z9Init, const UnicodeString& UserConStr,
                                                     const UnicodeString& TableName);

// Registers the opener of the linked store; nullptr unregisters.
void Register(OpenProc Open);
bool IsRegistered();

// Opens a store as TkxConfigManager's constructor does (never raises for a
// database problem). Raises Exception "configuration store is not available"
// when no store is registered.
std::unique_ptr<IkxConfigStore> OpenConfigStore(bool z9Init, const UnicodeString& UserConStr,
                                                const UnicodeString& TableName);

}  // namespace kxConfigAccess
