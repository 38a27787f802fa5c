#include "platform/os/SystemInfo.h"

#include <gtest/gtest.h>

#include "platform/rtl/FormatSettings.h"

namespace {

using namespace kx::platform;

TEST(DriveKindOfFileSystem, ByTheTypeInTheMountTable) {
  struct Case {
    const char* type;
    bool removable;
    DriveKind want;
  };
  const Case cases[] = {
      {"tmpfs", false, DriveKind::RamDisk},       {"ramfs", false, DriveKind::RamDisk},
      {"nfs4", false, DriveKind::Network},        {"cifs", false, DriveKind::Network},
      {"fuse.sshfs", false, DriveKind::Network},  {"iso9660", true, DriveKind::CdRom},
      {"udf", false, DriveKind::CdRom},           {"vfat", true, DriveKind::Removable},
      {"ext4", false, DriveKind::Fixed},          {"fuse.portal", false, DriveKind::Fixed},
      {"tmpfs", true, DriveKind::RamDisk},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DriveKindOfFileSystem(c.type, c.removable), c.want) << c.type;
}

TEST(UserLanguageLocale, TerritoryFilledIn) {
  struct Case {
    const char* locale;
    const char* want;
  };
  const Case cases[] = {
      {"C", "en_US"},          {"de", "de_DE"},       {"de_AT", "de_AT"},
      {"sr_Latn", "sr_Latn_RS"}, {"zh", "zh_CN"},     {"xx", "xx"},
  };
  for (const Case& c : cases) {
    SetUserLocaleForTesting(std::string(c.locale));
    EXPECT_EQ(UserLanguageLocale(), c.want) << c.locale;
  }
  SetUserLocaleForTesting(std::nullopt);
}

}  // namespace
