// The MD5 self test among the plug-in's load steps: a failure is recorded
// with its text, never thrown out of the load.
#include <gtest/gtest.h>

#include "export/kxModuleList.h"
#include "system/kxMD5.h"

namespace {

TEST(ModuleList, AFailingMD5SelfTestIsRecorded) {
  kx::plugin::ClearLoadFailureForTesting();
  TkxMD5::detail::SetSelfTestOverrideForTesting([] { return false; });
  const bool loaded = kx::plugin::InitializeModules(kx::plugin::ModuleList());
  TkxMD5::detail::SetSelfTestOverrideForTesting(nullptr);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(kx::plugin::LoadFailure(), u"MD5 self test failed!");
  kx::plugin::ClearLoadFailureForTesting();

  ASSERT_TRUE(kx::plugin::InitializeModules(kx::plugin::ModuleList()));
  kx::plugin::FinalizeModules(kx::plugin::ModuleList());
}

}  // namespace
