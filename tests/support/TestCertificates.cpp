#include "tests/support/TestCertificates.h"

#include <stdlib.h>

#include <fstream>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "tests/support/Process.h"

namespace kx::testing {

namespace {

void Openssl(std::vector<std::string> Args) {
  Args.insert(Args.begin(), "openssl");
  const BoundedResult r = RunBounded(Args, 30000);
  if (r.ExitCode != 0) throw std::runtime_error("openssl failed: " + r.Output);
}

// A key and a certificate for Subject, issued by the CA, with the given
// subjectAltName (empty: none).
void Issue(const TestCertificates& c, const std::string& Name, const std::string& Subject,
           const std::string& AltNames, const std::string& Usage) {
  const std::string base = c.Folder + "/" + Name;
  Openssl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
           base + ".key", "-out", base + ".csr", "-subj", Subject});
  {
    std::ofstream ext(base + ".ext");
    ext << "basicConstraints=CA:FALSE\nextendedKeyUsage=" << Usage << "\n";
    if (!AltNames.empty()) ext << "subjectAltName=" << AltNames << "\n";
  }
  Openssl({"x509", "-req", "-in", base + ".csr", "-CA", c.CaCert, "-CAkey", c.Folder + "/ca.key",
           "-CAcreateserial", "-days", "2", "-sha256", "-extfile", base + ".ext", "-out",
           base + ".crt"});
}

TestCertificates Make() {
  TestCertificates c;
  const char* tmp = ::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kxcerts.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  c.Folder = pattern;
  c.CaCert = c.Folder + "/ca.crt";
  Openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
           "-keyout", c.Folder + "/ca.key", "-out", c.CaCert, "-days", "2", "-subj",
           "/CN=kx test CA", "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
           "keyUsage=critical,keyCertSign,cRLSign"});
  Issue(c, "server", "/CN=127.0.0.1", "IP:127.0.0.1,DNS:localhost", "serverAuth");
  Issue(c, "other", "/CN=other.invalid", "DNS:other.invalid", "serverAuth");
  Issue(c, "client", "/CN=kx test client", "", "clientAuth");
  c.ServerCert = c.Folder + "/server.crt";
  c.ServerKey = c.Folder + "/server.key";
  c.OtherCert = c.Folder + "/other.crt";
  c.OtherKey = c.Folder + "/other.key";
  c.ClientCert = c.Folder + "/client.crt";
  c.ClientKeyPassword = "s3cret pass";
  c.ClientKey = c.Folder + "/client.enc.key";
  Openssl({"pkey", "-in", c.Folder + "/client.key", "-aes256", "-passout",
           "pass:" + c.ClientKeyPassword, "-out", c.ClientKey});
  return c;
}

}  // namespace

const TestCertificates& Certificates() {
  static std::once_flag once;
  static TestCertificates certificates;
  std::call_once(once, [] { certificates = Make(); });
  return certificates;
}

}  // namespace kx::testing
