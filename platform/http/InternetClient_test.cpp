#include "platform/http/InternetClient.h"

#include <gtest/gtest.h>

namespace {

using namespace kx::platform::http;

TEST(EscapeUrlBytes, EscapesWhatAUrlCannotCarryAndNothingElse) {
  struct Case {
    std::string in, want;
  };
  const Case cases[] = {
      {"http://h/a b?x=1+2&y=\xC3\xA9", "http://h/a%20b?x=1+2&y=%C3%A9"},  // "+" stays
      {"http://h/?e=%2B%41", "http://h/?e=%2B%41"},                      // so do escapes
      {"http://h/\t\x7F\x01\xFF", "http://h/%09%7F%01%FF"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeUrlBytes(c.in), c.want) << c.in;
}

TEST(InternetClient, VerbsAndUrlsItTakes) {
  for (const char* verb : {"PUT", "PATCH", "M-SEARCH", "x!#$%&'*+.^_`|~"}) {
    EXPECT_EQ(InternetClient::CheckVerb(verb), 0) << verb;
  }
  for (const char* verb : {"", "PUT /", "GET\r\nX: 1", "A:B", "(x)"}) {
    EXPECT_EQ(InternetClient::CheckVerb(verb), 43) << verb;
  }
  InternetClient client("agent");
  ASSERT_EQ(client.OpenError(), 0);
  EXPECT_EQ(client.SetUrl("http://h:8080/a b"), 0);
  EXPECT_EQ(client.SetUrl("HTTPS://h/"), 0);
  EXPECT_EQ(client.SetUrl("ftp://h/"), 1);
  EXPECT_EQ(client.SetUrl("file:///etc/passwd"), 1);
  EXPECT_EQ(client.SetUrl("h/x"), 3);
  EXPECT_EQ(client.SetUrl("http://h:99999/"), 3);
}

}  // namespace
