#include "environment/kxClassFactory.h"

#include "environment/kxNet_Indy.h"
#include "platform/rtl/CaseMapping.h"
#include "platform/rtl/Variant.h"
#include "system/internal/kxCipherToolsEvo3.h"
#include "system/kxRegistry.h"

TkxClassFactory* NetClassFactory = nullptr;

namespace {

using kx::platform::http::TlsSettings;

constexpr char16_t kHttpKey[] = u"SOFTWARE\\vanto\\System\\HTTP\\";

Variant Read(const UnicodeString& Name, const Variant& Default) {
  return TkxRegistry::GetValue(HKEY_LOCAL_MACHINE, kHttpKey, Name, Default, false);
}

int32_t ReadInteger(const UnicodeString& Name, int32_t Default) {
  return Read(Name, Variant::FromInteger(Default)).ToInteger();
}

bool ReadBoolean(const UnicodeString& Name, bool Default) {
  return Read(Name, Variant::FromBoolean(Default)).ToBoolean();
}

UnicodeString ReadText(const UnicodeString& Name, const UnicodeString& Default) {
  return VarToStr(Read(Name, Variant::FromUString(Default)));
}

AnsiString ReadAnsiText(const UnicodeString& Name, const AnsiString& Default) {
  return ToUtf8(VarToStr(Read(Name, Variant::FromString(Default))));
}

TlsSettings TlsSettingsOf(const TkxSSLOptions& Options) {
  TlsSettings tls;
  tls.CertFile = ToUtf8(Options.CertFile);
  tls.CipherList = ToUtf8(Options.CipherList);
  tls.KeyFile = ToUtf8(Options.KeyFile);
  tls.Method = Options.Method;
  tls.SSLVersions = Options.SSLVersions;
  tls.Mode = Options.Mode;
  tls.RootCertFile = ToUtf8(Options.RootCertFile);
  tls.VerifyDepth = Options.VerifyDepth;
  tls.VerifyDirs = ToUtf8(Options.VerifyDirs);
  tls.VerifyMode = Options.VerifyMode;
  tls.Password = ToUtf8(Options.Password);
  return tls;
}

bool BeginsWithHttps(const UnicodeString& Url) {
  constexpr std::u16string_view scheme = u"https://";
  return SameTextAscii(std::u16string_view(Url).substr(0, scheme.size()), scheme);
}

}  // namespace

TkxClassFactory::TkxClassFactory() {
  TkxHttpClientOptions& o = HttpClientOptions;
  o.MaxAuthRetries = ReadInteger(u"MaxAuthRetries", 1);
  o.RedirectMaximum = ReadInteger(u"RedirectMaximum", 2);
  o.AllowCookies = ReadBoolean(u"AllowCookies", false);
  o.ReadTimeout = ReadInteger(u"ReadTimeout", 300000);
  o.ConnectTimeout = ReadInteger(u"ConnectTimeout", 5000);
  o.BoundIP = ToUtf16(ReadAnsiText(u"BoundIP", ToUtf8(o.BoundIP)));
  o.BoundPort = ReadInteger(u"BoundPort", 0);
  o.BoundPortMin = ReadInteger(u"BoundPortMin", 0);
  o.BoundPortMax = ReadInteger(u"BoundPortMax", 0);
  TkxSSLOptions& ssl = o.SSL;
  ssl.Active = ReadBoolean(u"UseSSL", false);
  ssl.CertFile = ReadText(u"CertFile", u"");
  ssl.CipherList = ToUtf16(ReadAnsiText(u"CipherList", ""));
  ssl.KeyFile = ReadText(u"KeyFile", u"");
  ssl.RootCertFile = ReadText(u"RootCertFile", u"");
  ssl.VerifyDepth = ReadInteger(u"VerifyDepth", 1);
  ssl.VerifyDirs = ToUtf16(ReadAnsiText(u"VerifyDirs", ""));
  // A password stored plain is used as it is, also when the logon cipher
  // cannot read it at all.
  const AnsiString password = ReadAnsiText(u"Password", "");
  const AnsiString deciphered = kxInternal::TkxCipher::DecodeLogon(password);
  ssl.Password = ToUtf16(deciphered.empty() ? password : deciphered);
  ssl.Method = TkxIndy::GetSSLMethod(ReadText(u"Method", u"TLSv1_2"));
  ssl.SSLVersions = TkxIndy::GetSSLVersions(ReadText(u"SSLVersions", u"[TLSv1_2]"));
  ssl.Mode = TkxIndy::GetSSLMode(ReadText(u"Mode", u"Both"));
  ssl.VerifyMode = TkxIndy::GetSSLVerifyMode(ReadText(u"VerifyMode", u""));
}

TkxClassFactory::~TkxClassFactory() = default;

std::unique_ptr<kx::platform::http::HttpClient> TkxClassFactory::CreateHttpClient(
    const UnicodeString& ServerUrl) const {
  const TkxHttpClientOptions& o = HttpClientOptions;
  kx::platform::http::ClientSettings s;
  s.MaxAuthRetries = o.MaxAuthRetries;
  s.RedirectMaximum = o.RedirectMaximum;
  s.AllowCookies = o.AllowCookies;
  s.HandleRedirects = o.HandleRedirects;
  s.ReadTimeout = o.ReadTimeout;
  s.ConnectTimeout = o.ConnectTimeout;
  s.BoundIP = ToUtf8(o.BoundIP);
  s.BoundPort = static_cast<uint16_t>(o.BoundPort);
  s.BoundPortMin = static_cast<uint16_t>(o.BoundPortMin);
  s.BoundPortMax = static_cast<uint16_t>(o.BoundPortMax);
  if (o.SSL.Active || BeginsWithHttps(ServerUrl)) s.Tls = TlsSettingsOf(o.SSL);
  return std::make_unique<kx::platform::http::HttpClient>(std::move(s));
}

std::unique_ptr<kx::platform::http::HttpServer> TkxClassFactory::CreateHttpServer(
    int32_t Port, bool Activate) const {
  const TkxHttpServerOptions& o = HttpServerOptions;
  auto server = std::make_unique<kx::platform::http::HttpServer>();
  server->DefaultPort = Port;
  server->ServerSoftware = ServerName;
  server->AutoStartSession = true;
  server->SessionTimeOut = o.SessionTimeOut;
  server->TerminateWaitTime = o.TerminateWaitTime;
  server->MaximumHeaderLineCount = o.MaximumHeaderLineCount;
  server->MaxConnections = o.MaxConnections;
  server->Bindings.clear();
  for (const TkxSocketBinding& b : o.Bindings) server->Bindings.push_back({b.IP, b.IPVersion, Port});
  if (o.SSL.Active) server->Tls = TlsSettingsOf(o.SSL);
  server->SetActive(Activate);
  return server;
}

std::unique_ptr<kx::platform::syslog::SysLogClient> TkxClassFactory::CreateSysLogClient() const {
  auto client = std::make_unique<kx::platform::syslog::SysLogClient>();
  client->Host = ToUtf8(SysLogClientOptions.Server);
  client->Port = SysLogClientOptions.Port;
  client->ReceiveTimeout = SysLogClientOptions.ReceiveTimeOut;
  return client;
}
