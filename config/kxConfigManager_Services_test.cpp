// The service registry in the configuration tree on SQLite, PostgreSQL and
// MariaDB: a daemon posed through the host-program seam publishes, resets
// and counts; URLs, tokens, permission objects and change events.
#include <gtest/gtest.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "config/kxConfigManager.h"
#include "tests/support/ConfigStoreFixture.h"
#include "environment/kxNet.h"
#include "environment/kxVanto_Paths.h"
#include "platform/db/Connection.h"
#include "platform/os/HostProgram.h"
#include "system/internal/kxCipherToolsEvo3.h"
#include "system/kxToolsEvo2_Identity.h"
#include "tests/support/LoopbackServer.h"

namespace {

using namespace kx::testing;
namespace db = kx::platform::db;

constexpr char16_t kServices[] = u"/vanto/Software/vanto enterprise daemon/Services/";

class ConfigServicesTest : public ConfigStoreFixture {
 protected:
  void TearDown() override {
    kx::platform::SetHostProgramForTesting(std::nullopt);
    ConfigStoreFixture::TearDown();
  }
  // DRAV: a Windows path in capitals, two instances, root port 4420;
  // Import: a Linux path; Off: inactive.
  void AddServices(TkxConfigManager& Store) {
    const UnicodeString drav = UnicodeString(kServices) + u"DRAV";
    ASSERT_TRUE(Store.SetConfigValue(drav, u"ServicePath", Text(u"C:\\Program Files\\vanto\\KXDRAVSRV.EXE")));
    ASSERT_TRUE(Store.SetConfigValue(drav, u"Active", Variant::FromBoolean(true)));
    ASSERT_TRUE(Store.SetConfigValue(drav, u"Instances", Int(2)));
    ASSERT_TRUE(Store.SetConfigValue(drav, u"RootPort", Int(4420)));
    const UnicodeString import = UnicodeString(kServices) + u"Import";
    ASSERT_TRUE(Store.SetConfigValue(import, u"ServicePath", Text(u"/opt/vanto/bin/kximportsrv")));
    ASSERT_TRUE(Store.SetConfigValue(import, u"Active", Variant::FromBoolean(true)));
    ASSERT_TRUE(Store.SetConfigValue(UnicodeString(kServices) + u"Off", u"ServicePath", Text(u"/x/kxoff")));
  }
  static UnicodeString Instance(const char16_t* Service, int32_t Node, int32_t Id) {
    return TkxVanto::GetZ9ClusterNodeServicePath(Service, Node, Id);
  }
  static UnicodeString Str(TkxConfigManager& Store, const UnicodeString& Key, const UnicodeString& Name) {
    return VarToStr(Store.GetConfigValue(Key, Name, Text(u"-"), false));
  }
};

class ConfigServicesSQLiteTest : public ConfigServicesTest {};

TEST_P(ConfigServicesTest, PublishResetAndCount) {
  auto store = NewStore();
  AddServices(*store);
  kx::platform::SetHostProgramForTesting("/opt/vanto/bin/kxdravsrv");

  // The host program's service, found by its file in capitals and with ".exe".
  ASSERT_TRUE(store->PublishInstanceToken(TIdType("TOKEN0"), 0, 4421));
  const UnicodeString d0 = Instance(u"DRAV", 0, 0);
  EXPECT_EQ(Str(*store, d0, u"InstanceToken"), u"TOKEN0");
  const Variant handle = store->GetConfigValue(d0, u"InstanceHandle", Int(0), false);
  EXPECT_EQ(handle.ToInt64(), ::getpid());
  EXPECT_EQ(Str(*store, d0, u"InstancePort"), u"4421");
  EXPECT_EQ(Str(*store, d0, u"InstanceUrl"), u"http://" + TkxTools::GetComputerNameEx(3) + u":4421");
  EXPECT_EQ(Str(*store, Instance(u"Import", 0, 0), u"InstanceToken"), u"-");
  EXPECT_EQ(Count(u"KEYNAME = 'InstanceHandle' AND DATATYPE = 'LONGWORD'"), 1);

  // Port 0, instance 0 from another program: every service whose root port
  // is missing or 0, without port or URL.
  kx::platform::SetHostProgramForTesting("/opt/other/program");
  ASSERT_TRUE(store->PublishInstanceToken(TIdType("TOKENX"), 0, 0));
  EXPECT_EQ(Str(*store, Instance(u"Import", 0, 0), u"InstanceToken"), u"TOKENX");
  EXPECT_EQ(Str(*store, Instance(u"Off", 0, 0), u"InstanceToken"), u"TOKENX");
  EXPECT_EQ(Str(*store, Instance(u"Import", 0, 0), u"InstancePort"), u"-");
  EXPECT_EQ(Str(*store, d0, u"InstanceToken"), u"TOKEN0");
  EXPECT_FALSE(store->PublishInstanceToken(TIdType("NONE"), 3, 9999));
  EXPECT_FALSE(store->PublishReadyState(0));

  // URLs kept by hand: token and process only.
  kx::platform::SetHostProgramForTesting("/opt/vanto/bin/kxdravsrv");
  ASSERT_TRUE(store->SetConfigValue(u"/vanto/Software/Basics/Common", u"ManualServiceUrlConfig",
                                    Variant::FromBoolean(true)));
  ASSERT_TRUE(store->PublishInstanceToken(TIdType("TOKEN1"), 1, 4422));
  EXPECT_EQ(Str(*store, Instance(u"DRAV", 0, 1), u"InstanceToken"), u"TOKEN1");
  EXPECT_EQ(Str(*store, Instance(u"DRAV", 0, 1), u"InstancePort"), u"-");

  // Node 0: the active services get "NodeId" 0 and their "Instances".
  EXPECT_TRUE(store->ResetReadyStates(0));
  const UnicodeString dravNode = UnicodeString(kServices) + u"DRAV/Cluster/Node 0";
  EXPECT_EQ(Str(*store, dravNode, u"NodeId"), u"0");
  EXPECT_EQ(Str(*store, dravNode, u"Instances"), u"2");
  EXPECT_EQ(Str(*store, UnicodeString(kServices) + u"Import/Cluster/Node 0", u"Instances"), u"1");
  EXPECT_EQ(Str(*store, UnicodeString(kServices) + u"Off/Cluster/Node 0", u"NodeId"), u"-");
  EXPECT_EQ(Str(*store, Instance(u"DRAV", 0, 1), u"InstanceReady"), u"False");
  // DRAV 0 and 1 and Import 0 announced themselves and are not ready.
  EXPECT_EQ(store->CheckReadyStates(0), 3);
  EXPECT_TRUE(store->PublishReadyState(0));
  EXPECT_EQ(store->CheckReadyStates(0), 2);

  // Other nodes number their instances from 1; an instance without
  // "InstanceReady" but with a token is not ready.
  const UnicodeString node1 = UnicodeString(kServices) + u"DRAV/Cluster/Node 1";
  ASSERT_TRUE(store->SetConfigValue(node1, u"NodeId", Int(1)));
  ASSERT_TRUE(store->SetConfigValue(node1, u"Instances", Int(2)));
  for (int32_t i : {0, 1, 2}) ASSERT_TRUE(store->SetConfigValue(Instance(u"DRAV", 1, i), u"InstanceToken", Text(u"t")));
  EXPECT_EQ(store->CheckReadyStates(1), 2);
  EXPECT_TRUE(store->ResetReadyStates(1));
  EXPECT_EQ(Str(*store, Instance(u"DRAV", 1, 0), u"InstanceReady"), u"-");
  EXPECT_EQ(Str(*store, Instance(u"DRAV", 1, 2), u"InstanceReady"), u"False");
  ASSERT_TRUE(store->SetConfigValue(TkxVanto::GetZ9ClusterNodePath(1), u"Active", Variant::FromBoolean(false)));
  EXPECT_EQ(store->CheckReadyStates(1), 0);
}

TEST_P(ConfigServicesTest, UrlsAndTokens) {
  auto store = NewStore();
  AddServices(*store);
  // Nothing published: the default ports on the local machine.
  EXPECT_EQ(store->GetServiceUrl(kxESVC_Enterprise, 0, 0), u"http://localhost:4040");
  EXPECT_EQ(store->GetServiceUrl(kxESVC_DRAV, 0, 0), u"http://localhost:4420/");
  ASSERT_TRUE(store->SetConfigValue(u"/vanto/Software/Basics/HTTP/SSL", u"Active", Variant::FromBoolean(true)));
  EXPECT_EQ(store->GetServiceUrl(kxESVC_DRAV, 0, 0), u"https://localhost:4420/");

  ASSERT_TRUE(store->SetConfigValue(Instance(u"DRAV", 0, 1), u"InstanceUrl", Text(u"http://q:1")));
  ASSERT_TRUE(store->SetConfigValue(Instance(u"DRAV", 0, 1), u"InstanceToken", Text(u"DT")));
  ASSERT_TRUE(store->SetConfigValue(TkxVanto::GetZ9ClusterNodePath(2), u"InstanceUrl", Text(u"http://n:5")));
  EXPECT_EQ(store->GetServiceUrl(kxESVC_DRAV, 0, 1), u"http://q:1/");
  EXPECT_EQ(store->GetServiceUrl(kxESVC_Enterprise, 2, 0), u"http://n:5");
  EXPECT_EQ(store->GetServiceToken(kxESVC_DRAV, 0, 1), u"DT");
  EXPECT_EQ(store->GetServiceToken(kxESVC_Export, 0, 1), u"");  // no such service node

  // The node server's token is stored empty when missing.
  EXPECT_EQ(store->GetServiceToken(kxESVC_Enterprise, 0, 0), u"");
  EXPECT_TRUE(store->ConfigValueExists(TkxVanto::GetZ9ClusterNodePath(0), u"InstanceToken"));

  // The database gone: the default port's URL with plain HTTP, for the node
  // server as for the others.
  db::Command(*peer_, u"DROP TABLE " + table_).Execute();
  store->InitCache();
  EXPECT_EQ(store->GetServiceUrl(kxESVC_Enterprise, 0, 0), u"http://localhost:4040/");
  EXPECT_EQ(store->GetServiceUrl(kxESVC_DRAV, 0, 0), u"http://localhost:4420/");
  CreateConfigTable(*peer_, table_, TST_V2);
}

TEST_P(ConfigServicesTest, PermissionObjects) {
  auto store = NewStore();
  store->BackupChanges = false;
  ASSERT_TRUE(store->SetConfigValue(u"/perm/a", u"Roles", Text(u"r1")));
  ASSERT_TRUE(store->SetConfigValue(u"/perm/a/b", u"Roles", Text(u"r2")));
  ASSERT_TRUE(store->SetConfigValue(u"/perm/a/b", u"SingleInstance", Variant::FromBoolean(true)));
  ASSERT_TRUE(store->SetConfigValue(u"/perm/c", u"Active", Variant::FromBoolean(false)));
  const UnicodeString target = u"/vanto/Permissions/Objects/P";
  ASSERT_TRUE(store->SetConfigValue(target + u"/old", u"Roles", Text(u"x")));
  ASSERT_TRUE(store->SetConfigValue(target + u"/held", u"SessionToken", Text(u" s ")));
  ASSERT_TRUE(store->SetConfigValue(target + u"/c", u"Roles", Text(u"x")));

  EXPECT_TRUE(store->PublishPermissionObjects(u"/perm", u"P", false, true));
  TConfigNodes nodes;
  ASSERT_TRUE(store->GetRecursiveChildNodes(target, nodes, true, true, false));
  std::vector<std::string> keys;
  for (const auto& n : nodes) keys.push_back(ToUtf8(n.RelKey));
  EXPECT_EQ(keys, (std::vector<std::string>{"a", "a/b", "held"}));
  EXPECT_EQ(Str(*store, target + u"/a", u"Roles"), u"r1");
  EXPECT_EQ(Str(*store, target + u"/a", u"SingleInstance"), u"False");
  EXPECT_EQ(Str(*store, target + u"/a/b", u"SingleInstance"), u"True");

  // Without the active check the inactive source is published too.
  EXPECT_TRUE(store->PublishPermissionObjects(u"/perm", u"P", true, false));
  EXPECT_EQ(Str(*store, target + u"/c", u"SingleInstance"), u"True");
  EXPECT_EQ(Str(*store, target + u"/c", u"Roles"), u"");
}

TEST_P(ConfigServicesSQLiteTest, ChangeEventRegistration) {
  TkxNet::detail::InitializeModule();
  std::mutex lock;
  std::vector<std::string> queries;
  int answers = 0;
  LoopbackServer server;
  server.Http().Get("/kxRegisterToChangeEvent", [&](const httplib::Request& Q, httplib::Response& R) {
    std::lock_guard<std::mutex> guard(lock);
    queries.push_back(Q.target.substr(Q.target.find('?') + 1));
    R.status = answers++ == 0 ? 200 : 204;
  });
  server.Start();
  auto store = NewStore();
  ASSERT_TRUE(store->SetConfigValue(TkxVanto::GetZ9ClusterNodePath(0), u"InstanceUrl",
                                    Text(ToUtf16(server.Url("")))));
  EXPECT_TRUE(store->RegisterServiceToChangeEvent(u"CONFIG", u"TOK1"));
  EXPECT_FALSE(store->RegisterServiceToChangeEvent(u"CONFIG", u"TOK1"));  // 204
  ASSERT_EQ(queries.size(), 2u);
  kxInternal::TkxCipherEncoding encoding = kxInternal::kxCIPHENC_None;
  const auto params = kxInternal::TkxCipher::DecodeUrlParams(queries[0], encoding);
  std::vector<std::string> pairs;
  for (const auto& p : params) pairs.push_back(ToUtf8(p.Param + u"=" + p.Value));
  EXPECT_NE(std::find(pairs.begin(), pairs.end(), "INSTANCETOKEN=TOK1"), pairs.end());
  EXPECT_NE(std::find(pairs.begin(), pairs.end(), "EVENTFLAG=CONFIG"), pairs.end());

  // A server that is not there: false with the error's text, never raised.
  server.Stop();
  store->RaiseExceptions = true;
  bool answer = true;
  EXPECT_NO_THROW(answer = store->RegisterServiceToChangeEvent(u"CONFIG", u"TOK1"));
  EXPECT_FALSE(answer);
  EXPECT_FALSE(store->Message.Get().empty());
  TkxNet::detail::FinalizeModule();
}

// Cases where the database plays no part run on SQLite only.
INSTANTIATE_TEST_SUITE_P(SQLite, ConfigServicesSQLiteTest, ::testing::Values(kEngines[0]),
                         [](const auto& Info) { return std::string(Info.param.Name); });
INSTANTIATE_TEST_SUITE_P(Engines, ConfigServicesTest, ::testing::ValuesIn(kEngines),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
