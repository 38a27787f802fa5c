// environment/kxClassFactory.h — TkxClassFactory: the network settings of the
// system (HTTP client and server with TLS, syslog, SNMP) and the objects
// configured from them.
//
// The constructor sets the built-in defaults and then reads the HTTP client
// settings from the registry, below HKEY_LOCAL_MACHINE
// "SOFTWARE\vanto\System\HTTP\":
//   MaxAuthRetries 1, RedirectMaximum 2, AllowCookies false,
//   ReadTimeout 300000 (ms), ConnectTimeout 5000 (ms), BoundIP "",
//   BoundPort, BoundPortMin, BoundPortMax 0,
//   UseSSL false (-> SSL.Active), CertFile, CipherList, KeyFile,
//   RootCertFile "", VerifyDepth 1, VerifyDirs "",
//   Password "" (enciphered as a logon text, or plain),
//   Method "TLSv1_2", SSLVersions "[TLSv1_2]", Mode "Both", VerifyMode ""
//   (texts read by the TkxIndy parsers of kxNet_Indy.h).
// A value may be a DWORD or a string; a string that does not convert to the
// number or Boolean wanted raises the variant conversion error out of the
// constructor. A missing key or value is never an error.
//
// The process-wide instance NetClassFactory is made when the library loads
// (TkxNet::detail::InitializeModule, kxNet.h), so changed registry values
// act from the next load on. Every HTTP request of TkxIndy builds its client
// from it; it is only read after the load, from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/http/HttpClient.h"
#include "platform/http/HttpServer.h"
#include "platform/http/TlsSettings.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Text.h"
#include "platform/syslog/SysLogClient.h"

struct TkxSSLOptions {
  bool Active = false;
  UnicodeString CertFile;
  UnicodeString CipherList;
  UnicodeString KeyFile;
  TIdSSLVersion Method = sslvSSLv2;
  TIdSSLVersions SSLVersions;
  TIdSSLMode Mode = sslmUnassigned;
  UnicodeString RootCertFile;
  int32_t VerifyDepth = 0;
  UnicodeString VerifyDirs;
  TIdSSLVerifyModeSet VerifyMode;
  UnicodeString Password;  // deciphered
};

struct TkxSocketBinding {
  AnsiString IP;
  TIdIPVersion IPVersion = Id_IPv4;
};
using TkxSocketBindings = std::vector<TkxSocketBinding>;

struct TkxHttpServerOptions {
  uint32_t SessionTimeOut = 0;
  uint32_t TerminateWaitTime = 5000;
  int32_t MaximumHeaderLineCount = 1024;
  int32_t MaxConnections = 0;
  TkxSocketBindings Bindings;
  TkxSSLOptions SSL;
};

struct TkxHttpClientOptions {
  int32_t MaxAuthRetries = 1;
  int32_t RedirectMaximum = 2;
  bool HandleRedirects = false;  // no setting changes it: redirects are never followed
  bool AllowCookies = false;
  int32_t ReadTimeout = 300000;   // ms without data moving
  int32_t ConnectTimeout = 5000;  // ms
  UnicodeString BoundIP;
  int32_t BoundPort = 0;
  int32_t BoundPortMin = 0;
  int32_t BoundPortMax = 0;
  TkxSSLOptions SSL;
};

struct TkxSysLogClientOptions {
  bool Active = false;
  UnicodeString Server = u"localhost";
  int32_t Port = 514;
  uint32_t ReceiveTimeOut = 2000;
  TIdSyslogFacility Facility = sfLocalUseZero;
  int32_t LogLevel = 2;
};

struct TkxSNMPClientOptions {
  bool Active = false;
  UnicodeString Server = u"localhost";
  int32_t Port = 162;
};

class TkxClassFactory : public TObject {
 public:
  // Defaults, then the registry (see the top of this file).
  TkxClassFactory();
  ~TkxClassFactory() override;

  UnicodeString Message;  // written by nothing here
  static constexpr char kVersion[] = "2.0.0";  // this class's own version text
  AnsiString Version = kVersion;
  bool Silent = false;
  AnsiString ServerName;   // server software name; service name for the log writer
  AnsiString TechAppName;  // technical program name for the log writer
  TkxHttpServerOptions HttpServerOptions;
  TkxHttpClientOptions HttpClientOptions;
  TkxSysLogClientOptions SysLogClientOptions;
  TkxSNMPClientOptions SNMPClientOptions;

  // A client for one request to ServerUrl, set from HttpClientOptions. It
  // gets a TLS handler when SSL.Active is set or ServerUrl begins with
  // "https://" in any case; the URL's scheme alone decides whether TLS is
  // spoken. Ports are taken as 16-bit values.
  std::unique_ptr<kx::platform::http::HttpClient> CreateHttpClient(
      const UnicodeString& ServerUrl) const;

  // A server on Port with ServerName as its software name, sessions started
  // automatically, the limits and one binding per HttpServerOptions.Bindings
  // entry (each on Port), and a TLS handler when HttpServerOptions.SSL.Active;
  // listening when Activate is true (what activation raises passes out).
  std::unique_ptr<kx::platform::http::HttpServer> CreateHttpServer(int32_t Port,
                                                                   bool Activate) const;

  // An inactive syslog client for SysLogClientOptions' server, port and
  // receive time-out.
  std::unique_ptr<kx::platform::syslog::SysLogClient> CreateSysLogClient() const;
};

// The process-wide factory; null before the network module is initialised,
// after it is finalised, and when its constructor failed at load.
extern TkxClassFactory* NetClassFactory;
