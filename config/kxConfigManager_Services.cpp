// TkxConfigManager: the service registry in the tree — instances publish
// their token, port and URL and their ready state, cluster nodes reset and
// count them, clients find a service's URL and token, permission objects are
// copied, and an instance registers for change events.
#include <unistd.h>

#include "config/kxConfigManager.h"
#include "config/kxConfigManager_Internal.h"
#include "environment/kxNet_Indy.h"
#include "environment/kxNet_Url.h"
#include "environment/kxVanto_Identity.h"
#include "environment/kxVanto_Paths.h"
#include "platform/os/HostProgram.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxToolsEvo2_Identity.h"

using namespace kxConfigDetail;

namespace {

constexpr char16_t kServicesKey[] = u"/vanto/Software/vanto enterprise daemon/Services";
constexpr char16_t kSslKey[] = u"/vanto/Software/Basics/HTTP/SSL";
constexpr char16_t kCommonKey[] = u"/vanto/Software/Basics/Common";
constexpr char16_t kPermissionObjects[] = u"/vanto/Permissions/Objects/";
// The local machine in default URLs.
constexpr char16_t kLocalHost[] = u"localhost";

// The file name of Path ("/" and "\" both separate), lower-cased, without
// one trailing ".exe": daemon files on Linux have no extension, while peers
// sharing the database store Windows paths.
UnicodeString DaemonFile(const UnicodeString& Path) {
  const size_t slash = Path.find_last_of(u"/\\");
  UnicodeString name = LowerText(slash == UnicodeString::npos ? Path : Path.substr(slash + 1));
  if (name.ends_with(u".exe")) name.resize(name.size() - 4);
  return name;
}

UnicodeString HostFile() { return DaemonFile(ToUtf16(kx::platform::HostProgramFileName())); }

UnicodeString Decimal(int64_t N) { return ToUtf16(std::to_string(N)); }

}  // namespace

// ---- Reading the registry ----------------------------------------------------------------

UnicodeString TkxConfigManager::ServiceFileOf(const TConfigNode& Service) {
  return DaemonFile(VarToStr(GetConfigValue(Service.Key, u"ServicePath", TextValue(u""), false)));
}

void TkxConfigManager::ForEachInstance(int32_t ClusterNode, bool ResetNodeZero,
                                       const std::function<void(const UnicodeString& InstanceKey)>& Visit) {
  TConfigNodes services;
  GetChildNodes(kServicesKey, services, true);
  for (const TConfigNode& service : services) {
    if (!GetConfigValue(service.Key, u"Active", Variant::FromBoolean(false), false).ToBoolean()) continue;
    if (ResetNodeZero && ClusterNode == 0) {
      const UnicodeString zero = service.Key + u"Cluster/Node 0";
      SetConfigValue(zero, u"NodeId", Variant::FromInteger(0));
      SetConfigValue(zero, u"Instances",
                     GetConfigValue(service.Key, u"Instances", Variant::FromInteger(1), false));
    }
    const UnicodeString nodeKey = service.Key + u"Cluster/Node " + Decimal(ClusterNode) + u"/";
    const int64_t node = GetConfigValue(nodeKey, u"NodeId", Variant::FromInteger(0), false).ToInt64();
    const int64_t count = GetConfigValue(nodeKey, u"Instances", Variant::FromInteger(0), false).ToInt64();
    if (!GetConfigValue(TkxVanto::GetZ9ClusterNodePath(static_cast<int32_t>(node)), u"Active",
                        Variant::FromBoolean(true), false)
             .ToBoolean())
      continue;
    // Node 0 numbers its instances from 0, the others from 1.
    const int64_t first = node == 0 ? 0 : 1;
    for (int64_t i = first; i < first + count; ++i) Visit(nodeKey + u"Instance " + Decimal(i));
  }
}

// ---- Publishing -------------------------------------------------------------------------

bool TkxConfigManager::PublishInstanceToken(const TIdType& Token, int32_t InstanceId, int32_t InstancePort) {
  const bool secure = GetConfigValue(kSslKey, u"Active", Variant::FromBoolean(false), false).ToBoolean();
  const bool manual =
      GetConfigValue(kCommonKey, u"ManualServiceUrlConfig", Variant::FromBoolean(false), false).ToBoolean();
  const int32_t node = TkxVanto::GetClusterNode();
  const UnicodeString host = HostFile();
  TConfigNodes services;
  GetChildNodes(kServicesKey, services, true);
  bool taken = false;
  for (const TConfigNode& service : services) {
    const int64_t rootPort = GetConfigValue(service.Key, u"RootPort", Variant::FromInteger(0), false).ToInt64();
    if (!(ServiceFileOf(service) == host && !host.empty()) && InstancePort != rootPort + InstanceId) continue;
    const UnicodeString path = TkxVanto::GetZ9ClusterNodeServicePath(service.Name, node, InstanceId);
    SetConfigValue(path, u"InstanceToken", TextValue(IdText(Token)));
    SetConfigValue(path, u"InstanceHandle", Variant::FromLongWord(static_cast<uint32_t>(::getpid())));
    if (InstancePort > 0 && !manual) {
      SetConfigValue(path, u"InstancePort", Variant::FromInteger(InstancePort));
      SetConfigValue(path, u"InstanceUrl",
                     TextValue(ToUtf16(TkxNet::BuildUrl(secure, TkxTools::GetComputerNameEx(3), InstancePort,
                                                        UnicodeString(), {}, kxENC_Mega))));
    }
    taken = true;
  }
  return taken;
}

bool TkxConfigManager::PublishReadyState(int32_t InstanceId) {
  const UnicodeString host = HostFile();
  TConfigNodes services;
  GetChildNodes(kServicesKey, services, true);
  for (const TConfigNode& service : services) {
    if (host.empty() || ServiceFileOf(service) != host) continue;
    SetConfigValue(TkxVanto::GetZ9ClusterNodeServicePath(service.Name, TkxVanto::GetClusterNode(), InstanceId),
                   u"InstanceReady", Variant::FromBoolean(true));
    return true;
  }
  return false;
}

bool TkxConfigManager::ResetReadyStates(int32_t ClusterNode) {
  ForEachInstance(ClusterNode, true, [this](const UnicodeString& Instance) {
    SetConfigValue(Instance, u"InstanceReady", Variant::FromBoolean(false));
  });
  return true;
}

int32_t TkxConfigManager::CheckReadyStates(int32_t ClusterNode) {
  int32_t pending = 0;
  ForEachInstance(ClusterNode, false, [&](const UnicodeString& Instance) {
    if (!GetConfigValue(Instance, u"InstanceReady", Variant::FromBoolean(false), false).ToBoolean() &&
        !VarToStr(GetConfigValue(Instance, u"InstanceToken", TextValue(u""), false)).empty())
      ++pending;
  });
  return pending;
}

bool TkxConfigManager::PublishPermissionObjects(const UnicodeString& SourcePath,
                                                const UnicodeString& PermissionObject, bool SingleInstance,
                                                bool CheckActiveState) {
  const UnicodeString target = kPermissionObjects + PermissionObject;
  TConfigNodes sources, targets;
  if (!GetRecursiveChildNodes(SourcePath, sources, true, true, false) ||
      !GetRecursiveChildNodes(target, targets, true, true, false))
    return false;
  auto active = [&](const TConfigNode& Source) {
    return !CheckActiveState ||
           GetConfigValue(Source.Key, u"Active", Variant::FromBoolean(true), false).ToBoolean();
  };
  for (const TConfigNode& t : targets) {
    bool keep = false;
    for (const TConfigNode& s : sources) {
      if (s.RelKey == t.RelKey) {
        keep = active(s);
        break;
      }
    }
    if (keep) continue;
    // A node a session holds stays.
    const UnicodeString session = VarToStr(GetConfigValue(t.Key, u"SessionToken", TextValue(u""), false));
    if (TrimKey(session).empty()) DeleteConfigTree(t.Key);
  }
  for (const TConfigNode& s : sources) {
    if (!active(s)) continue;
    const bool single =
        GetConfigValue(s.Key, u"SingleInstance", Variant::FromBoolean(SingleInstance), false).ToBoolean();
    const UnicodeString node = target + u"/" + s.RelKey;
    SetConfigValue(node, u"Roles", TextValue(VarToStr(GetConfigValue(s.Key, u"Roles", TextValue(u""), false))));
    SetConfigValue(node, u"SingleInstance", Variant::FromBoolean(single));
  }
  return true;
}

// ---- Finding services -------------------------------------------------------------------

UnicodeString TkxConfigManager::GetServiceUrl(TkxEnterpriseService Service, int32_t ClusterNode,
                                              int32_t InstanceId) {
  UnicodeString url;
  if (Service == kxESVC_Enterprise) {
    url = VarToStr(GetConfigValue(TkxVanto::GetZ9ClusterNodePath(ClusterNode), u"InstanceUrl",
                                  TextValue(u"http://" + UnicodeString(kLocalHost) + u":4040"), false));
  } else {
    const UnicodeString file = DaemonFile(TkxTypes::GetEnterpriseServiceStr(Service));
    TConfigNodes services;
    GetChildNodes(kServicesKey, services, true);
    for (const TConfigNode& service : services) {
      if (ServiceFileOf(service) != file) continue;
      url = TkxNet::CheckRootUrlSuffix(VarToStr(
          GetConfigValue(TkxVanto::GetZ9ClusterNodeServicePath(service.Name, ClusterNode, InstanceId),
                         u"InstanceUrl", TextValue(u""), false)));
      break;
    }
  }
  if (url.empty() && TkxVanto::GetDefaultServicePort(Service) > 0)
    url = DefaultServiceUrl(Service,
                            GetConfigValue(kSslKey, u"Active", Variant::FromBoolean(false), false).ToBoolean());
  return url;
}

UnicodeString DefaultServiceUrl(TkxEnterpriseService Service, bool Https) {
  const int32_t port = TkxVanto::GetDefaultServicePort(Service);
  if (port <= 0) return {};
  return UnicodeString(Https ? u"https://" : u"http://") + kLocalHost + u":" + Decimal(port) + u"/";
}

UnicodeString TkxConfigManager::GetServiceToken(TkxEnterpriseService Service, int32_t ClusterNode,
                                                int32_t InstanceId) {
  if (Service == kxESVC_Enterprise)
    return VarToStr(
        GetConfigValue(TkxVanto::GetZ9ClusterNodePath(ClusterNode), u"InstanceToken", TextValue(u""), true));
  const UnicodeString file = DaemonFile(TkxTypes::GetEnterpriseServiceStr(Service));
  TConfigNodes services;
  GetChildNodes(kServicesKey, services, true);
  for (const TConfigNode& service : services) {
    if (ServiceFileOf(service) != file) continue;
    return VarToStr(GetConfigValue(TkxVanto::GetZ9ClusterNodeServicePath(service.Name, ClusterNode, InstanceId),
                                   u"InstanceToken", TextValue(u""), false));
  }
  return UnicodeString();
}

bool TkxConfigManager::RegisterServiceToChangeEvent(const UnicodeString& ChangeEvent,
                                                    const UnicodeString& InstanceToken) {
  try {
    const UnicodeString root = GetServiceUrl(kxESVC_Enterprise, 0, 0);
    const AnsiString url = TkxNet::BuildUrl(
        root, u"kxRegisterToChangeEvent", {u"InstanceToken=" + InstanceToken, u"EventFlag=" + ChangeEvent},
        kxENC_Mega);
    int32_t code = 0;
    TkxIndy::HTTPGet(ToUtf16(url), code);
    return code == 200;
  } catch (const Exception& e) {
    Message = e.Message;
  } catch (const std::exception& e) {
    Message = ToUtf16(e.what());
  }
  return false;
}
