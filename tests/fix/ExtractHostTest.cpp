#include "fix/ExtractHost.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace resolvo::fix {
namespace {

TEST(ExtractHost, KeepsOnlyTheRealHost) {
    const std::string megabyte(1 << 20, 'a');
    const std::vector<std::pair<std::string, std::string>> cases{
        {"http://www.example.com/news/today.html", "example.com"},
        {"https://WWW.Example.com:8443/x?y", "Example.com"},
        {"HTTP://WWW.EXAMPLE.COM/", "EXAMPLE.COM"},
        {"http://shop.www.example.com/", "shop.www.example.com"},
        {"www.www.example.com", "www.example.com"},
        {"example.com:8080/x", "example.com"},
        {"svn+ssh://example.com", "example.com"},
        {" \texample.com\t ", "example.com"},
        {"example.com?a=/b", "example.com"},
        {"example.com#/top", "example.com"},
        {"example.com\\path", "example.com"},
        {"www.example.com.", "example.com"},
        {"user:pw@host", "host"},
        {"ftp://user:p@ss@files.example.com:21/pub", "files.example.com"},
        {"http://my_host-1/", "my_host-1"},
        {"http://192.0.2.1:80/", "192.0.2.1"},
        {"http://[::1]:80/", "::1"},
        {"[2001:DB8::ffff:192.0.2.1]", "2001:DB8::ffff:192.0.2.1"},
        {"http://b\xC3\xBC"
         "cher.example/",
         "b\xC3\xBC"
         "cher.example"},
        {"\xE4\xBE\x8B", "\xE4\xBE\x8B"},
        {"http://www.example.com/" + megabyte, "example.com"},
        {"http://" + megabyte + ":80/", megabyte},
    };
    for (const auto& [address, host] : cases) {
        EXPECT_EQ(ExtractHost(address), host) << address.substr(0, 60);
    }
}

TEST(ExtractHost, GivesNothingForWhatIsNotAHost) {
    const std::vector<std::string> addresses{
        "", " \t ", "http://", "HTTPS://www./", "www..", ".", "-", "_.-",
        // Only one scheme is removed, and only a complete one.
        "http:///example.com", "://example.com", "http://http://example.com", "http:/example.com",
        // A colon is a port's only if digits follow, and bare IPv6 needs brackets.
        "about:blank", "example.com:http", "host:80:90", "2001:db8::1", "[::1", "[::1]junk", "[example.com]",
        "[fe80::1%25eth0]", "[]", "http://user@/", "\"example.com\"", "'example.com'", "exa mple.com",
        "exa\tmple.com", "example.com\r\n", "exa\x01mple.com", std::string("exa\0mple.com", 12),
        "example.com;rm", std::string(1 << 20, ' '), std::string(1 << 20, '.'),
        "http://" + std::string(1 << 20, 'a') + "\""};
    for (const std::string& address : addresses) {
        EXPECT_EQ(ExtractHost(address), "") << address.substr(0, 60);
    }
}

}  // namespace
}  // namespace resolvo::fix
