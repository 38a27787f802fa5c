// platform/http/TlsSettings.h — the TLS and socket values of the network
// settings, with the names and ordinals the settings texts and the rest of
// the system use, and the TLS settings that an HTTP client or server takes.
//
// The enumerations keep their historic order: TIdSSLVersion lists SSL 2
// first and ends with TLS 1.2 (it predates TLS 1.3); TIdSyslogFacility has
// sfLocalUseZero at 16, the syslog protocol's code for "local0".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

// A set of up to 32 values of an unscoped enumeration, by ordinal.
//   IdSet<TIdSSLVersion> s{sslvTLSv1_1, sslvTLSv1_2};  s.Contains(sslvTLSv1) == false
template <typename E>
class IdSet {
 public:
  constexpr IdSet() = default;
  constexpr IdSet(std::initializer_list<E> Values) {
    for (E v : Values) Include(v);
  }

  constexpr void Include(E Value) { bits_ |= Bit(Value); }
  constexpr void Exclude(E Value) { bits_ &= ~Bit(Value); }
  constexpr bool Contains(E Value) const { return (bits_ & Bit(Value)) != 0; }
  constexpr bool IsEmpty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }

  friend constexpr bool operator==(IdSet, IdSet) = default;

 private:
  static constexpr uint32_t Bit(E Value) { return uint32_t{1} << static_cast<unsigned>(Value); }

  uint32_t bits_ = 0;
};

enum TIdSSLVersion : uint8_t {
  sslvSSLv2,
  sslvSSLv23,  // "whatever the library offers"
  sslvSSLv3,
  sslvTLSv1,
  sslvTLSv1_1,
  sslvTLSv1_2
};
using TIdSSLVersions = IdSet<TIdSSLVersion>;

enum TIdSSLMode : uint8_t { sslmUnassigned, sslmClient, sslmServer, sslmBoth };

enum TIdSSLVerifyMode : uint8_t { sslvrfPeer, sslvrfFailIfNoPeerCert, sslvrfClientOnce };
using TIdSSLVerifyModeSet = IdSet<TIdSSLVerifyMode>;

enum TIdIPVersion : uint8_t { Id_IPv4, Id_IPv6 };

// The syslog facilities, numbered as the protocol codes them.
enum TIdSyslogFacility : uint8_t {
  sfKernel,
  sfUserLevel,
  sfMailSystem,
  sfSystemDaemon,
  sfSecurityOne,
  sfSysLogInternal,
  sfLPR,
  sfNNTP,
  sfUUCP,
  sfClockDaemonOne,
  sfSecurityTwo,
  sfFTPDaemon,
  sfNTP,
  sfLogAudit,
  sfLogAlert,
  sfClockDaemonTwo,
  sfLocalUseZero,
  sfLocalUseOne,
  sfLocalUseTwo,
  sfLocalUseThree,
  sfLocalUseFour,
  sfLocalUseFive,
  sfLocalUseSix,
  sfLocalUseSeven
};

namespace kx::platform::http {

// The TLS side of a client or server. File names and texts are UTF-8; an
// empty one means "not given".
//
// What acts on a client:
//   CertFile, KeyFile, Password  the client certificate and its key (PEM); the
//                                password unlocks an enciphered key
//   RootCertFile, VerifyDirs     where trusted issuers are found; without
//                                them the system's trust store serves
//   CipherList                   an OpenSSL cipher list, "DEFAULT@SECLEVEL=0"
//                                and the like included
//   SSLVersions                  the protocol range (TlsVersionRange)
//   VerifyMode                   sslvrfPeer verifies the peer's chain and its
//                                host name; without it nothing is verified
//   VerifyDepth                  how many issuers a verified chain may have
// Method is overruled by SSLVersions; Mode, sslvrfFailIfNoPeerCert and
// sslvrfClientOnce concern servers only.
struct TlsSettings {
  std::string CertFile;
  std::string CipherList;
  std::string KeyFile;
  TIdSSLVersion Method = sslvSSLv2;
  TIdSSLVersions SSLVersions;
  TIdSSLMode Mode = sslmUnassigned;
  std::string RootCertFile;
  int32_t VerifyDepth = 0;
  std::string VerifyDirs;
  TIdSSLVerifyModeSet VerifyMode;
  std::string Password;
};

// The protocol range a version set stands for, as OpenSSL version numbers
// (0x0300 SSL 3, 0x0301 TLS 1.0 ... 0x0303 TLS 1.2); 0 leaves that end to
// the library. The lowest member is the minimum and the highest the maximum,
// except that a highest member sslvTLSv1_2 sets no maximum, so TLS 1.3 stays
// open. sslvSSLv23 alone means the library's default range. Error is set
// (and the range unusable) for an empty set and for a set whose highest
// member is SSL 2, which no current library speaks.
//   {sslvTLSv1_2} -> 0x0303..0;  {sslvTLSv1, sslvTLSv1_1} -> 0x0301..0x0302
struct TlsVersionRange {
  int Minimum = 0;
  int Maximum = 0;
  std::string Error;
};
TlsVersionRange VersionRangeOf(TIdSSLVersions Versions);

}  // namespace kx::platform::http
