#include "platform/ui/GuiHost.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QWidget>

#include "tests/support/QtTestApplication.h"

namespace ui = kx::platform::ui;

namespace {

void Activate() {
  QEvent event(QEvent::ApplicationActivate);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &event);
}

// One test: the hook is handed over before the application exists.
TEST(GuiHost, TheActivationHookRunsOnceAtTheFirstActivationAndCanBeWithdrawn) {
  int runs = 0;
  ui::SetActivationHook([&] { ++runs; });  // no application yet: nothing is installed
  EXPECT_TRUE(ui::ActivationHookPending());
  kx::testing::QtTestApplication();
  Activate();
  EXPECT_EQ(runs, 0);
  ui::RunOnGuiThread([] {});  // the GUI host installs it
  Activate();
  Activate();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(ui::ActivationHookPending());

  // On the GUI thread it is installed at once; withdrawn, it never runs.
  ui::SetActivationHook([&] { runs += 10; });
  EXPECT_TRUE(ui::ActivationHookPending());
  ui::ClearActivationHook();
  EXPECT_FALSE(ui::ActivationHookPending());
  Activate();
  EXPECT_EQ(runs, 1);

  // A new hook replaces one not yet run.
  ui::SetActivationHook([&] { runs += 100; });
  ui::SetActivationHook([&] { runs += 1000; });
  Activate();
  EXPECT_EQ(runs, 1001);

  // The application's forms, in the order added, without destroyed ones.
  auto* a = new QWidget;
  auto* b = new QWidget;
  auto* c = new QWidget;
  for (QWidget* form : {a, b, c}) ui::AddApplicationForm(form);
  delete b;
  EXPECT_EQ(ui::ApplicationForms(), (std::vector<QWidget*>{a, c}));
  delete a;
  delete c;
  EXPECT_TRUE(ui::ApplicationForms().empty());
}

}  // namespace
