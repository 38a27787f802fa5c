// TkxConfigManager: backups of chosen values kept in the tree itself, the
// namespaces of resources and scripts, and short paths for display.
#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/FormatSettings.h"
#include "system/kxToolsEvo2_Identity.h"

using namespace kxConfigDetail;

namespace {

constexpr char16_t kBackups[] = u"/vanto/Classes/Backups";

// Compared with the upper-cased prepared key. The last three are the script
// folders of the classification, mail and workflow services.
constexpr std::u16string_view kNameSpaces[] = {
    u"VANTO/RESOURCES/",          u"VANTO/SCRIPTS/ADDINS/",  u"VANTO/SCRIPTS/COMPONENTS/",
    u"VANTO/SCRIPTS/FIELDS/",     u"VANTO/SCRIPTS/INCLUDES/", u"VANTO/SCRIPTS/PROCESS/",
    u"VANTO/SCRIPTS/RECOGNITION/", u"VANTO/SCRIPTS/PLUMO/",   u"VANTO/SCRIPTS/CLASSIFY/",
    u"VANTO/SCRIPTS/MAIL/",       u"VANTO/SCRIPTS/WORKFLOW/"};

}  // namespace

bool TkxConfigManager::CreateBackup(const UnicodeString& Key, const std::vector<UnicodeString>& Properties,
                                    const UnicodeString& Comment, int32_t MaxBackups, bool Persistent) {
  const UnicodeString base = kBackups + Convert2VisKey(Key);
  if (MaxBackups >= 0) {
    // Oldest first: the names sort by time.
    TConfigNodes backups;
    GetChildNodes(base, backups, false);
    const auto n = static_cast<int64_t>(backups.size());
    if (n > 0 && n >= MaxBackups) {
      int64_t excess = n - MaxBackups;
      for (const TConfigNode& backup : backups) {
        if (excess <= 0) break;
        if (GetConfigValue(backup.Key, u"Persistent", Variant::FromBoolean(false), false).ToBoolean()) continue;
        DeleteConfigTree(backup.Key);
        --excess;
      }
    }
  }
  const TDateTime now = NowTime();
  const UnicodeString node = base + u"/Backup_" + FormatDateTime(u"yyyymmddhhnnsszzz", now);
  for (const UnicodeString& name : Properties) {
    if (!ConfigValueExists(Key, name)) continue;
    SetConfigValue(node, name, GetConfigValue(Key, name, Variant::Null(), false), false);
  }
  SetConfigValue(node, u"User", TextValue(TkxTools::GetUserNameEx(8)));
  SetConfigValue(node, u"Date", GetConfigValue(Key, u"ChangeDate", Variant::FromDate(now), false));
  SetConfigValue(node, u"CreationDate", Variant::FromDate(now));
  if (Persistent) SetConfigValue(node, u"Persistent", Variant::FromBoolean(true));
  if (!Comment.empty()) SetConfigValue(node, u"Comment", TextValue(Comment));
  return true;
}

bool TkxConfigManager::IsNameSpaceNode(const UnicodeString& Key) {
  const UnicodeString key = UpperText(PrepareKey(Key));
  for (std::u16string_view prefix : kNameSpaces)
    if (key.starts_with(prefix)) return true;
  return false;
}

UnicodeString TkxConfigManager::TopNodeName(const UnicodeString& Key) {
  const auto names = KeyNames(PrepareKey(Key));
  return names.empty() ? UnicodeString() : names.back();
}

UnicodeString TkxConfigManager::GetShortPath(const UnicodeString& Path, int32_t MaxLen) {
  const auto length = [](const UnicodeString& Text) { return static_cast<int64_t>(Text.size()); };
  if (length(Path) <= MaxLen) return Path;
  const UnicodeString top = TopNodeName(Path);
  UnicodeString head;
  UnicodeString rest = Path;
  // 1-based position of the first "/" in rest, 0 when none.
  const auto slash = [&rest] {
    const size_t at = rest.find(u'/');
    return at == UnicodeString::npos ? int64_t{0} : static_cast<int64_t>(at) + 1;
  };
  for (int64_t p = slash(); p > 0 && p + length(head) < MaxLen - length(top) - 4; p = slash()) {
    head += rest.substr(0, static_cast<size_t>(p));
    rest.erase(0, static_cast<size_t>(p));
  }
  return head + u".../" + top;
}
