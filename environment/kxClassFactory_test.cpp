#include "environment/kxClassFactory.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "environment/kxNet.h"
#include "platform/rtl/Variant.h"
#include "system/internal/kxCipherToolsEvo3.h"
#include "system/kxRegistry.h"

namespace {

const UnicodeString kHttpKey = u"SOFTWARE\\vanto\\System\\HTTP";

// A registry of its own for every test.
class ClassFactory : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = ::getenv("VANTO_REGISTRY_DIR")) saved_ = v;
    const char* tmp = ::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/kxfactory.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ::setenv("VANTO_REGISTRY_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    TkxNet::detail::FinalizeModule();
    ::setenv("VANTO_REGISTRY_DIR", saved_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }
  static void Put(const UnicodeString& Name, const Variant& Value) {
    ASSERT_TRUE(TkxRegistry::SetValue(HKEY_LOCAL_MACHINE, kHttpKey, Name, Value, false));
  }

  std::string dir_, saved_;
};

TEST_F(ClassFactory, DefaultsWithoutRegistryKey) {
  const TkxClassFactory f;
  const TkxHttpClientOptions& o = f.HttpClientOptions;
  EXPECT_EQ(f.Version, "2.0.0");
  EXPECT_EQ(o.MaxAuthRetries, 1);
  EXPECT_EQ(o.RedirectMaximum, 2);
  EXPECT_FALSE(o.HandleRedirects);
  EXPECT_FALSE(o.AllowCookies);
  EXPECT_EQ(o.ReadTimeout, 300000);
  EXPECT_EQ(o.ConnectTimeout, 5000);
  EXPECT_EQ(o.BoundIP, u"");
  EXPECT_EQ(o.BoundPort + o.BoundPortMin + o.BoundPortMax, 0);
  EXPECT_FALSE(o.SSL.Active);
  EXPECT_EQ(o.SSL.VerifyDepth, 1);
  EXPECT_EQ(o.SSL.Method, sslvTLSv1_2);
  EXPECT_EQ(o.SSL.SSLVersions, TIdSSLVersions{sslvTLSv1_2});
  EXPECT_EQ(o.SSL.Mode, sslmBoth);
  EXPECT_TRUE(o.SSL.VerifyMode.IsEmpty());
  EXPECT_EQ(o.SSL.Password, u"");

  EXPECT_EQ(f.HttpServerOptions.TerminateWaitTime, 5000u);
  EXPECT_EQ(f.HttpServerOptions.MaximumHeaderLineCount, 1024);
  EXPECT_FALSE(f.HttpServerOptions.SSL.Active);
  EXPECT_EQ(f.SysLogClientOptions.Port, 514);
  EXPECT_EQ(f.SysLogClientOptions.Facility, 16);
  EXPECT_EQ(f.SysLogClientOptions.LogLevel, 2);
  EXPECT_EQ(f.SNMPClientOptions.Port, 162);

  const auto client = f.CreateHttpClient(u"http://127.0.0.1/x");
  EXPECT_FALSE(client->HasTlsHandler());
  EXPECT_EQ(client->Settings().ReadTimeout, 300000);
  EXPECT_EQ(client->Settings().ConnectTimeout, 5000);
  EXPECT_EQ(client->Settings().RedirectMaximum, 2);
  EXPECT_FALSE(client->Settings().HandleRedirects);
}

TEST_F(ClassFactory, ReadsDwordAndStringValues) {
  Put(u"MaxAuthRetries", Variant::FromInteger(3));
  Put(u"ReadTimeout", Variant::FromUString(u"1234"));  // a string converts
  Put(u"ConnectTimeout", Variant::FromInteger(250));
  Put(u"AllowCookies", Variant::FromInteger(7));       // a DWORD not 0 is true
  Put(u"UseSSL", Variant::FromUString(u"True"));
  Put(u"BoundIP", Variant::FromUString(u"127.0.0.1"));
  Put(u"BoundPort", Variant::FromInteger(70000));      // taken as 16 bits by the client
  Put(u"CertFile", Variant::FromUString(u"/etc/c\u00E9rt.pem"));
  Put(u"CipherList", Variant::FromUString(u"DEFAULT@SECLEVEL=0"));
  Put(u"VerifyDepth", Variant::FromInteger(4));
  Put(u"Password", Variant::FromUString(ToUtf16(kxInternal::TkxCipher::EncodeLogon("s3cret"))));
  Put(u"Method", Variant::FromUString(u"tlsv1"));
  Put(u"SSLVersions", Variant::FromUString(u"[TLSv1_1,TLSv1_2]"));
  Put(u"Mode", Variant::FromUString(u"client"));
  Put(u"VerifyMode", Variant::FromUString(u"VRFPEER|VRFCLIENTONCE"));

  const TkxClassFactory f;
  const TkxHttpClientOptions& o = f.HttpClientOptions;
  EXPECT_EQ(o.MaxAuthRetries, 3);
  EXPECT_EQ(o.ReadTimeout, 1234);
  EXPECT_EQ(o.ConnectTimeout, 250);
  EXPECT_TRUE(o.AllowCookies);
  EXPECT_TRUE(o.SSL.Active);
  EXPECT_EQ(o.BoundIP, u"127.0.0.1");
  EXPECT_EQ(o.BoundPort, 70000);
  EXPECT_EQ(o.SSL.CertFile, u"/etc/c\u00E9rt.pem");
  EXPECT_EQ(o.SSL.VerifyDepth, 4);
  EXPECT_EQ(o.SSL.Password, u"s3cret");
  EXPECT_EQ(o.SSL.Method, sslvTLSv1);
  EXPECT_EQ(o.SSL.SSLVersions, (TIdSSLVersions{sslvTLSv1_1, sslvTLSv1_2}));
  EXPECT_EQ(o.SSL.Mode, sslmClient);
  EXPECT_EQ(o.SSL.VerifyMode, (TIdSSLVerifyModeSet{sslvrfPeer, sslvrfClientOnce}));

  // UseSSL gives a plain http URL a TLS handler too (the scheme still decides).
  const auto client = f.CreateHttpClient(u"http://127.0.0.1/x");
  ASSERT_TRUE(client->HasTlsHandler());
  const kx::platform::http::TlsSettings& tls = *client->Settings().Tls;
  EXPECT_EQ(tls.CertFile, "/etc/c\xC3\xA9rt.pem");
  EXPECT_EQ(tls.CipherList, "DEFAULT@SECLEVEL=0");
  EXPECT_EQ(tls.Password, "s3cret");
  EXPECT_EQ(client->Settings().BoundPort, 70000 - 65536);
  EXPECT_TRUE(client->Settings().AllowCookies);
}

TEST_F(ClassFactory, APlainPasswordPassesUnchanged) {
  Put(u"Password", Variant::FromUString(u"plain text"));
  EXPECT_EQ(TkxClassFactory().HttpClientOptions.SSL.Password, u"plain text");
}

TEST_F(ClassFactory, HttpsInAnyCaseGetsATlsHandler) {
  const TkxClassFactory f;
  EXPECT_TRUE(f.CreateHttpClient(u"HTTPS://h/x")->HasTlsHandler());
  EXPECT_FALSE(f.CreateHttpClient(u" https://h/x")->HasTlsHandler());
}

TEST_F(ClassFactory, AStringThatDoesNotConvertFailsTheLoad) {
  Put(u"ReadTimeout", Variant::FromUString(u"soon"));
  try {
    TkxClassFactory f;
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), u"EVariantTypeCastError");
  }
  try {
    TkxNet::detail::InitializeModule();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(ToUtf8(e.Message).rfind("network settings: ", 0), 0u) << ToUtf8(e.Message);
  }
  EXPECT_EQ(NetClassFactory, nullptr);
}

TEST_F(ClassFactory, ModuleLoadMakesTheProcessFactoryFromTheRegistryOfThatMoment) {
  TkxNet::detail::InitializeModule();
  ASSERT_NE(NetClassFactory, nullptr);
  EXPECT_EQ(NetClassFactory->HttpClientOptions.ConnectTimeout, 5000);
  Put(u"ConnectTimeout", Variant::FromInteger(10));
  EXPECT_EQ(NetClassFactory->HttpClientOptions.ConnectTimeout, 5000);  // read at load only
  TkxNet::detail::FinalizeModule();
  EXPECT_EQ(NetClassFactory, nullptr);
  TkxNet::detail::InitializeModule();
  EXPECT_EQ(NetClassFactory->HttpClientOptions.ConnectTimeout, 10);
}

TEST_F(ClassFactory, ServerAndSysLogObjectsCarryTheSettings) {
  TkxClassFactory f;
  f.ServerName = "kx test";
  f.HttpServerOptions.SessionTimeOut = 60000;
  f.HttpServerOptions.MaxConnections = 9;
  f.HttpServerOptions.Bindings = {{"127.0.0.1", Id_IPv4}, {"::1", Id_IPv6}};
  f.HttpServerOptions.SSL.Active = true;
  f.HttpServerOptions.SSL.Password = u"key pass";
  const auto server = f.CreateHttpServer(8443, false);
  EXPECT_EQ(server->DefaultPort, 8443);
  EXPECT_EQ(server->ServerSoftware, "kx test");
  EXPECT_TRUE(server->AutoStartSession);
  EXPECT_EQ(server->SessionTimeOut, 60000u);
  EXPECT_EQ(server->TerminateWaitTime, 5000u);
  EXPECT_EQ(server->MaxConnections, 9);
  EXPECT_EQ(server->Bindings, (std::vector<kx::platform::http::ServerBinding>{
                                  {"127.0.0.1", Id_IPv4, 8443}, {"::1", Id_IPv6, 8443}}));
  ASSERT_TRUE(server->Tls.has_value());
  EXPECT_EQ(server->Tls->Password, "key pass");
  EXPECT_FALSE(server->Active());
  // Activation reads the TLS settings: an empty version set cannot serve.
  EXPECT_THROW(f.CreateHttpServer(0, true), EIdException);
  f.HttpServerOptions.SSL.Active = false;
  f.HttpServerOptions.Bindings = {{"127.0.0.1", Id_IPv4}};
  const auto listening = f.CreateHttpServer(0, true);
  EXPECT_TRUE(listening->Active());
  EXPECT_GT(listening->BoundPort(), 0);

  f.SysLogClientOptions.Server = u"logs.example";
  f.SysLogClientOptions.Port = 1514;
  const auto syslog = f.CreateSysLogClient();
  EXPECT_EQ(syslog->Host, "logs.example");
  EXPECT_EQ(syslog->Port, 1514);
  EXPECT_EQ(syslog->ReceiveTimeout, 2000u);
  EXPECT_FALSE(syslog->Active());
  EXPECT_THROW(syslog->SetActive(true), Exception);
}

TEST(TlsTexts, Parse) {
  struct MethodCase {
    UnicodeString text;
    TIdSSLVersion want;
  };
  const MethodCase methods[] = {
      {u"SSLv2", sslvSSLv2},   {u"sslv23", sslvSSLv23},    {u"SSLv3", sslvSSLv3},
      {u"TLSv1", sslvTLSv1},   {u"tlsv1_2", sslvTLSv1_2},  {u"TLS1.2", sslvTLSv1_1},
      {u" TLSv1_2", sslvTLSv1_1},  // nothing is trimmed
      {u"", sslvTLSv1_1},
  };
  for (const MethodCase& c : methods) EXPECT_EQ(TkxIndy::GetSSLMethod(c.text), c.want) << ToUtf8(c.text);

  struct VersionsCase {
    UnicodeString text;
    TIdSSLVersions want;
  };
  const VersionsCase versions[] = {
      {u"[TLSv1_1,TLSv1_2]", {sslvTLSv1_1, sslvTLSv1_2}},
      {u"[TLSv1_1, TLSv1_2]", {sslvTLSv1_1}},  // " TLSv1_2" falls back to TLS 1.1
      {u"", {sslvTLSv1_1}},
      {u"[]", {}},
      {u"SSLv3,TLSv1", {sslvSSLv3, sslvTLSv1}},
  };
  for (const VersionsCase& c : versions) {
    EXPECT_EQ(TkxIndy::GetSSLVersions(c.text), c.want) << ToUtf8(c.text);
  }

  EXPECT_EQ(TkxIndy::GetSSLMode(u"client"), sslmClient);
  EXPECT_EQ(TkxIndy::GetSSLMode(u"Both"), sslmBoth);
  EXPECT_EQ(TkxIndy::GetSSLMode(u"unassigned"), sslmUnassigned);
  EXPECT_EQ(TkxIndy::GetSSLMode(u"either"), sslmServer);
  EXPECT_EQ(TkxIndy::GetSSLMode(u""), sslmServer);

  EXPECT_EQ(TkxIndy::GetSSLVerifyMode(u"VRFPEER|VRFCLIENTONCE"),
            (TIdSSLVerifyModeSet{sslvrfPeer, sslvrfClientOnce}));
  EXPECT_EQ(TkxIndy::GetSSLVerifyMode(u"[sslvrfFailIfNoPeerCert]"),
            TIdSSLVerifyModeSet{sslvrfFailIfNoPeerCert});
  EXPECT_TRUE(TkxIndy::GetSSLVerifyMode(u"peer").IsEmpty());

  EXPECT_EQ(TkxIndy::GetIPVersion("::1"), Id_IPv6);
  EXPECT_EQ(TkxIndy::GetIPVersion("10.0.0.1"), Id_IPv4);
  EXPECT_EQ(TkxIndy::GetIPVersion(""), Id_IPv4);
}

}  // namespace
