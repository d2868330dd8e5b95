#include "fix/ExtractHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace resolvo::fix {
namespace {

// What is typed, and what is made of it.
struct Case {
    std::string typed;
    std::string made;
};
using Cases = std::vector<Case>;

TEST(ExtractHost, KeepsOnlyTheHostOrGivesNothing) {
    const std::string megabyte(1 << 20, 'a');
    const std::string longest = std::string(249, 'a') + ".com";
    const Cases cases{
        {"http://www.example.com/news/today.html", "example.com"},
        {"https://WWW.Example.com:8443/x?y", "Example.com"},
        {"HTTP://WWW.EXAMPLE.COM/", "EXAMPLE.COM"},
        {"http://shop.www.example.com/", "shop.www.example.com"},
        {"example.com:8080/x", "example.com"},
        {"example.com:8", "example.com"},
        {"svn+ssh://example.com", "example.com"},
        {" \texample.com\t ", "example.com"},
        // Every Unicode blank, on either side.
        {"\xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x81\xE2\x80\x82\xE2\x80\x83\xE2\x80\x84\xE2\x80\x85\xE2"
         "\x80\x86"
         "example.com\xE2\x80\x87\xE2\x80\x88\xE2\x80\x89\xE2\x80\x8A\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80",
         "example.com"},
        {"example.com?a=/b", "example.com"},
        {"example.com\\path", "example.com"},
        {"www.example.com.", "example.com"},
        {"ftp://user:p@ss@files.example.com:21/pub", "files.example.com"},
        {"http://my_host-1.lan/", "my_host-1.lan"},
        {"http://[::1]:80/", "::1"},
        {"[Fa::Af]", "Fa::Af"},
        {"[2001:DB8::ffff:192.0.2.1]", "2001:DB8::ffff:192.0.2.1"},
        // IP addresses, which a name file never holds as a name.
        {"http://0.0.0.0/", "0.0.0.0"},
        {"https://255.255.255.255:8443/x", "255.255.255.255"},
        {"10.0.0.7.", "10.0.0.7"},
        {"[1:2:3:4:5:6:7:8]", "1:2:3:4:5:6:7:8"},
        {"[::]", "::"},
        {"[1:2:3:4:5:6::8]", "1:2:3:4:5:6::8"},
        {"http://\xC3\x80.example/", "\xC3\x80.example"},
        {"http://www.example.com/" + megabyte, "example.com"},
        {"http://" + longest + ":80/", longest},
        // No host: nothing left, a single label, longer than a DNS name, only
        // dots or blanks, an empty label, a scheme
        // that is not removed whole, a colon without a port, an unclosed or
        // unbracketed literal, a zone index, a character no host can have.
        {"", ""},
        {"http://", ""},
        {"HTTPS://www./", ""},
        {"www..", ""},
        {"com", ""},
        {"a" + longest, ""},
        {".example.com", ""},
        {"a..b", ""},
        {"example.com..", ""},
        {"http://user@/", ""},
        {"http:///example.com", ""},
        {"http://http://example.com", ""},
        {"http:/example.com", ""},
        {"example.com:http", ""},
        {"host:80:90", ""},
        {"[::1]:", ""},
        {"2001:db8::1", ""},
        {"[::1", ""},
        {"[::1]junk", ""},
        {"[example.com]", ""},
        {"[fe80::1%1]", ""},
        {"[.3.3]", ""},
        // A number or a bracketed text that is no IP address.
        {"256.0.0.1", ""},
        {"1.2.3", ""},
        {"1.2.3.4.5", ""},
        {"1..2.3", ""},
        {"0x7f.0.0.1", ""},
        {"www.10.0.0.1", ""},
        {"example.123", ""},
        {"[::1.]", ""},
        {"[1:2:3:4:5:6:7]", ""},
        {"[1:2:3:4:5:6:7:8:9]", ""},
        {"[1::2::3]", ""},
        {"[1::2:]", ""},
        {"[:1::2]", ""},
        {"[12345::1]", ""},
        {"[1:2:3:4:5:6:7::8]", ""},
        {"[1.2.3.4]", ""},
        {"[10.0.0.7::1]", ""},
        {"[g::1]", ""},
        {"[]", ""},
        {"exa mple.com", ""},
        {"example.com\xE2\x80\x81/", ""},
        {"example.com\r\n", ""},
        {std::string("exa\0mple.com", 12), ""},
        {"example.com;rm", ""},
        {std::string(1 << 20, '.'), ""},
    };
    for (const Case& row : cases) {
        EXPECT_EQ(ExtractHost(row.typed), row.made) << row.typed.substr(0, 60);
    }
}

TEST(BrowsableAddress, IsAWebAddressOrNothing) {
    const Cases cases{
        {"example.com\xC2\xA0", "http://example.com"},
        {" example.com:8080/a b\"<>\x7F ", "http://example.com:8080/a%20b%22%3C%3E%7F"},
        {"HTTPS://Example.com/x", "HTTPS://Example.com/x"},
        {"http:example.com", "http:example.com"},
        {"javascript:alert(1)", ""},
        {"C:\\Windows\\notepad.exe", ""},
        {"user:pw@example.com", ""},
        {"httpx://example.com", ""},
        {"", ""},
    };
    for (const Case& row : cases) {
        EXPECT_EQ(BrowsableAddress(row.typed), row.made) << row.typed;
    }
}

struct HostKind {
    std::string host;
    bool ipAddress;
};

// Of what ExtractHost gives, the IP addresses, and the names that hold
// digits, dots and colons too.
TEST(IsIpLiteral, TellsAddressesFromNames) {
    const HostKind cases[] = {
        {"127.0.0.1", true},
        {"0.0.0.0", true},
        {"::1", true},
        {"2001:db8::ffff:10.0.0.7", true},
        {"10.0.0.7.example", false},
        {"example.com", false},
        {"256.0.0.1", false},
        {"::1.", false},
        {"", false},
    };
    for (const HostKind& row : cases) {
        EXPECT_EQ(IsIpLiteral(row.host), row.ipAddress) << row.host;
    }
}

}  // namespace
}  // namespace resolvo::fix
