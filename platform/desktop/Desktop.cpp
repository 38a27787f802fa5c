#include "platform/desktop/Desktop.h"

#include <atomic>

#include "platform/rtl/Exceptions.h"

namespace kx::platform {
namespace {

class Headless final : public DesktopHook {
 public:
  bool ShowMessage(const UnicodeString&) override { return true; }
  bool PromptForCredentials(const UnicodeString&, const UnicodeString&, UnicodeString&,
                            UnicodeString&) override {
    return false;
  }
  void CopyToClipboard(const ClipboardContent&) override {
    throw EClipboardException(u"There is no clipboard: no desktop is available");
  }
  bool GrabScreenJpeg(bool, int32_t, std::string&) override { return false; }
  bool RaiseMainWindow() override { return true; }
  void PumpEvents() override {}
};

std::atomic<DesktopHook*> g_hook{nullptr};  // constant-initialised

}  // namespace

DesktopHook& HeadlessDesktop() {
  // Made on first use: nothing of this library may need initialising
  // before its load constructor runs.
  static Headless headless;
  return headless;
}

DesktopHook& Desktop() {
  DesktopHook* hook = g_hook.load(std::memory_order_acquire);
  return hook != nullptr ? *hook : HeadlessDesktop();
}

void SetDesktopHook(DesktopHook* Hook) { g_hook.store(Hook, std::memory_order_release); }

}  // namespace kx::platform
