#include "platform/http/HttpClient.h"

#include <gtest/gtest.h>

namespace {

using namespace kx::platform::http;

TEST(EscapeUrlForTransport, EscapesWhatAUrlCannotCarryAndThePlusOfTheQuery) {
  struct Case {
    std::string in, want;
  };
  const Case cases[] = {
      {"http://h/a b?x=1+2&y=\xC3\xA9", "http://h/a%20b?x=1%2B2&y=%C3%A9"},
      {"http://h/a+b?q", "http://h/a+b?q"},           // "+" in the path stays
      {"http://h/?d=ab+/c==&e=%2B%41", "http://h/?d=ab%2B/c==&e=%2B%41"},  // escapes stay
      {"http://h/\t\x7F\x01", "http://h/%09%7F%01"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeUrlForTransport(c.in), c.want) << c.in;
}

TEST(VersionRangeOf, LowestIsMinimumHighestIsMaximumUnlessTls12) {
  struct Case {
    TIdSSLVersions versions;
    int minimum, maximum;
    bool error;
  };
  const Case cases[] = {
      {{sslvTLSv1_2}, 0x0303, 0, false},  // TLS 1.3 stays open
      {{sslvTLSv1, sslvTLSv1_1}, 0x0301, 0x0302, false},
      {{sslvSSLv3, sslvTLSv1_2}, 0x0300, 0, false},
      {{sslvTLSv1_1}, 0x0302, 0x0302, false},
      {{sslvSSLv23}, 0, 0, false},  // the library's own range
      {{sslvSSLv23, sslvTLSv1_1}, 0x0302, 0x0302, false},
      {{sslvSSLv2, sslvTLSv1}, 0, 0x0301, false},
      {{sslvSSLv2}, 0, 0, true},
      {{}, 0, 0, true},
  };
  for (const Case& c : cases) {
    const TlsVersionRange r = VersionRangeOf(c.versions);
    EXPECT_EQ(r.Minimum, c.minimum) << c.versions.Bits();
    EXPECT_EQ(r.Maximum, c.maximum) << c.versions.Bits();
    EXPECT_EQ(!r.Error.empty(), c.error) << c.versions.Bits();
  }
}

TEST(HttpClient, RefusesAContentTypeThatWouldAddHeaders) {
  HttpClient client{ClientSettings()};
  MemoryStream content;
  std::string body;
  EXPECT_THROW(client.Put("http://127.0.0.1:9/", content, "text/plain\r\nX-Injected: 1", body),
               EIdException);
  EXPECT_EQ(client.ResponseCode(), -1);
}

}  // namespace
