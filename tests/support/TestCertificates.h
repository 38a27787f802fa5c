// tests/support/TestCertificates.h — a test CA and certificates, made once
// per test process with the openssl tool in a folder below TMPDIR.
//
//   CaCert                     the CA that issued all certificates below
//   ServerCert, ServerKey      for 127.0.0.1 and localhost
//   OtherCert, OtherKey        for the host name "other.invalid" only
//   ClientCert, ClientKey      a client certificate; its key is enciphered
//                              with ClientKeyPassword
// All keys are P-256 EC keys; all certificates are valid for two days.
#pragma once

#include <string>

namespace kx::testing {

struct TestCertificates {
  std::string Folder;
  std::string CaCert;
  std::string ServerCert, ServerKey;
  std::string OtherCert, OtherKey;
  std::string ClientCert, ClientKey;
  std::string ClientKeyPassword;
};

// Raises std::runtime_error with openssl's output when a step fails.
const TestCertificates& Certificates();

}  // namespace kx::testing
