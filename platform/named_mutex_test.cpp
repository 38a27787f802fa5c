#include "platform/named_mutex.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/rtl/Guid.h"

namespace {

namespace nm = kx::platform::named_mutex;
namespace fs = std::filesystem;

// Each test gets its own runtime folder, so the mutexes of parallel tests
// and of earlier runs never meet.
class NamedMutexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime_ = fs::path(std::getenv("TMPDIR")) /
               ("runtime-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(runtime_);
    fs::create_directories(runtime_);
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old != nullptr) saved_ = old;
    ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  }
  void TearDown() override {
    if (saved_)
      ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
    else
      ::unsetenv("XDG_RUNTIME_DIR");
  }

  fs::path runtime_;
  std::optional<std::string> saved_;
};

TEST(NamedMutexFileName, IsSafeAndDistinct) {
  struct Case {
    std::u16string name;
    std::string want;
  } cases[] = {
      {u"kxdravsrv", "kxdravsrv"},
      {u"Global\\kx srv", "Global%5Ckx%20srv"},
      {u"a/../b", "a%2F..%2Fb"},
      {u".hidden.x", "%2Ehidden.x"},  // never a hidden file, "." or ".."
      {u"\u00E4-_", "%C3%A4-_"},
      {u"Kx", "Kx"},  // names keep their case
  };
  for (const auto& c : cases) EXPECT_EQ(nm::FileNameFor(c.name), c.want) << c.want;
  const std::u16string longName(300, u'%');
  const std::string a = nm::FileNameFor(longName + u"a"), b = nm::FileNameFor(longName + u"b");
  EXPECT_LE(a.size(), 200u);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.find('/'), std::string::npos);
}

TEST_F(NamedMutexTest, LifecycleInOneProcess) {
  const std::u16string name = u"test-" + GUIDToString(CreateGUID());
  EXPECT_FALSE(nm::IsActive(name));
  EXPECT_EQ(nm::Wait(name, 0), nm::WaitResult::NoMutex);
  EXPECT_EQ(nm::Release(name), nm::ReleaseResult::NoMutex);

  EXPECT_EQ(nm::Create(name), nm::CreateResult::Created);
  EXPECT_TRUE(nm::IsActive(name));
  EXPECT_EQ(nm::Create(name), nm::CreateResult::Exists);
  // The process owns it: a wait succeeds at once, even with no time.
  EXPECT_EQ(nm::Wait(name, 0), nm::WaitResult::Acquired);
  EXPECT_EQ(nm::Release(name), nm::ReleaseResult::Released);
  EXPECT_EQ(nm::Release(name), nm::ReleaseResult::Released);  // not owned: nothing happens
  // Nobody owns it now; the handle of the creation keeps it in existence.
  EXPECT_TRUE(nm::IsActive(name));
  EXPECT_EQ(nm::Wait(name, 0), nm::WaitResult::Acquired);
  EXPECT_EQ(nm::Release(name), nm::ReleaseResult::Released);
  EXPECT_TRUE(nm::IsActive(name));

  EXPECT_FALSE(nm::IsActive(u""));
  EXPECT_EQ(nm::Create(u""), nm::CreateResult::Failed);

  const fs::path folder = runtime_ / "vanto" / "mutex";
  EXPECT_TRUE(fs::exists(folder / nm::FileNameFor(name)));
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(NamedMutexTest, FoldersOthersCouldControlAreRefused) {
  const fs::path elsewhere = runtime_ / "elsewhere";
  fs::create_directories(elsewhere);
  fs::create_directory_symlink(elsewhere, runtime_ / "vanto");
  EXPECT_EQ(nm::Create(u"m"), nm::CreateResult::Failed);
  EXPECT_FALSE(nm::IsActive(u"m"));
  EXPECT_TRUE(fs::is_empty(elsewhere));
  fs::remove(runtime_ / "vanto");

  if (::geteuid() != 0) GTEST_SKIP() << "a folder of another user needs root to make";
  fs::create_directories(runtime_ / "vanto");
  ASSERT_EQ(::chown((runtime_ / "vanto").c_str(), 65534, 65534), 0);
  EXPECT_EQ(nm::Create(u"m"), nm::CreateResult::Failed);
}

}  // namespace
