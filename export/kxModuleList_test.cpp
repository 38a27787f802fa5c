#include "export/kxModuleList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "text/kxMath.h"

namespace {

std::string g_trace;

void InitA() { g_trace += "+a"; }
void FiniA() { g_trace += "-a"; }
void InitB() { g_trace += "+b"; }
void FiniB() { g_trace += "-b"; }
void InitFailing() { throw Exception(u"TkxMath.Selftest failed!"); }
void InitFailingWithoutText() { throw Exception(u""); }
void InitThrowingNoException() { throw 42; }
void FiniFailing() { g_trace += "-x"; }

TEST(ModuleList, InitialisesInOrderAndFinalisesInReverse) {
  const kx::plugin::ModuleEntry entries[] = {{"a", InitA, FiniA}, {"b", InitB, FiniB}};
  g_trace.clear();
  kx::plugin::ClearLoadFailureForTesting();
  ASSERT_TRUE(kx::plugin::InitializeModules(entries));
  kx::plugin::FinalizeModules(entries);
  EXPECT_EQ(g_trace, "+a+b-b-a");
  EXPECT_TRUE(kx::plugin::LoadFailure().empty());
}

TEST(ModuleList, AFailureIsRecordedAndUndoesWhatWasInitialised) {
  const std::pair<void (*)(), std::u16string> failures[] = {
      {InitFailing, u"TkxMath.Selftest failed!"},
      // A failure without a text of its own still fails the load.
      {InitFailingWithoutText, u"initialisation of math failed"},
      {InitThrowingNoException, u"initialisation of math failed"},
  };
  for (const auto& [init, text] : failures) {
    const kx::plugin::ModuleEntry entries[] = {
        {"a", InitA, FiniA}, {"math", init, FiniFailing}, {"b", InitB, FiniB}};
    g_trace.clear();
    kx::plugin::ClearLoadFailureForTesting();
    EXPECT_FALSE(kx::plugin::InitializeModules(entries));
    EXPECT_EQ(kx::plugin::LoadFailure(), text);
    EXPECT_EQ(g_trace, "+a-a");  // the failing module and those after it are never finalised
    kx::plugin::FinalizeModules(entries);
    EXPECT_EQ(g_trace, "+a-a");
    kx::plugin::ClearLoadFailureForTesting();
  }
}

TEST(ModuleList, SlotsRunWhatThePluginPutThereAtTheirPlace) {
  const auto list = kx::plugin::ModuleList();
  std::vector<std::string> names;
  for (const auto& entry : list) names.push_back(entry.Name);
  const auto at = [&](const char* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
  EXPECT_LT(at("kxNet"), at("GUI host"));
  EXPECT_LT(at("GUI host"), at("configuration-store registration"));
  EXPECT_LT(at("configuration-store registration"), at("kxStyler"));
  EXPECT_LT(at("kxStyler"), at("main module"));

  // Empty, they do nothing; filled, they run the plug-in's functions in
  // load order and finalise in reverse.
  kx::plugin::ClearLoadFailureForTesting();
  ASSERT_TRUE(kx::plugin::InitializeModules(list));
  kx::plugin::FinalizeModules(list);
  g_trace.clear();
  kx::plugin::FillModuleSlot(kx::plugin::kStylerSlot, InitB, FiniB);
  kx::plugin::FillModuleSlot(kx::plugin::kGuiHostSlot, InitA, FiniA);
  ASSERT_TRUE(kx::plugin::InitializeModules(list));
  EXPECT_EQ(g_trace, "+a+b");
  kx::plugin::FinalizeModules(list);
  EXPECT_EQ(g_trace, "+a+b-b-a");
  kx::plugin::FillModuleSlot(kx::plugin::kGuiHostSlot, nullptr, nullptr);
  kx::plugin::FillModuleSlot(kx::plugin::kStylerSlot, nullptr, nullptr);
}

TEST(ModuleList, AFailingMathSelftestIsRecordedAndLoadingAnswersFalse) {
  kx::plugin::ClearLoadFailureForTesting();
  TkxMath::detail::SetSelftestOverrideForTesting([] { return false; });
  const bool loaded = kx::plugin::InitializeModules(kx::plugin::ModuleList());
  TkxMath::detail::SetSelftestOverrideForTesting(nullptr);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(kx::plugin::LoadFailure(), u"TkxMath.Selftest failed!");
  kx::plugin::ClearLoadFailureForTesting();

  ASSERT_TRUE(kx::plugin::InitializeModules(kx::plugin::ModuleList()));
  kx::plugin::FinalizeModules(kx::plugin::ModuleList());
}

}  // namespace
