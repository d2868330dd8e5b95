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
    bool ipAddress = false;  // as IsIpLiteral tells what ExtractHost made
};

// What ExtractHost gives, and whether IsIpLiteral takes that for an IP address.
TEST(ExtractHost, KeepsOnlyTheHostOrGivesNothing) {
    const std::string longest = std::string(249, 'a') + ".com";
    const std::vector<Case> cases{
        {"HTTPS://WWW.EXAMPLE.CO.ZA:8443/x?y", "EXAMPLE.CO.ZA"},
        {"http://shop.www.example.com/", "shop.www.example.com"},
        {"example.com:8", "example.com"},
        {"svn+ssh://example.com", "example.com"},
        // Every blank, ASCII or Unicode, on either side.
        {" \t\xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x81\xE2\x80\x82\xE2\x80\x83\xE2\x80\x84\xE2\x80\x85\xE2"
         "\x80\x86"
         "example.com\xE2\x80\x87\xE2\x80\x88\xE2\x80\x89\xE2\x80\x8A\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80\t ",
         "example.com"},
        {"example.com?a=/b", "example.com"},
        {"example.com\\path", "example.com"},
        {"www.example.com.", "example.com"},
        {"ftp://user:p@ss@files.example.com:21/pub", "files.example.com"},
        {"http://my_host-1.biz/", "my_host-1.biz"},
        {"10.0.0.7.example", "10.0.0.7.example"},
        // IP addresses, which a name file never holds as a name.
        {"http://[::1]:80/", "::1", true},
        {"[Fa::Af]", "Fa::Af", true},
        {"[2001:DB8::ffff:192.0.2.1]", "2001:DB8::ffff:192.0.2.1", true},
        {"https://255.255.255.255:8443/x", "255.255.255.255", true},
        {"10.0.0.7.", "10.0.0.7", true},
        {"[1:2:3:4:5:6:7:8]", "1:2:3:4:5:6:7:8", true},
        {"[1:2:3:4:5:6:1.2.3.4]", "1:2:3:4:5:6:1.2.3.4", true},
        {"[::]", "::", true},
        {"[::2:3:4:5:6:7:8]", "::2:3:4:5:6:7:8", true},
        {"http://\xC3\x80.example/", "\xC3\x80.example"},
        {"http://www.example.com/" + std::string(1 << 20, 'a'), "example.com"},
        {"http://" + longest + ":80/", longest},
        // No host: nothing left, a single label, longer than a DNS name, an
        // empty label, a scheme not removed whole, a colon without a port, an
        // unclosed or unbracketed literal, a zone index, a character no host has.
        {"", ""},
        {"www..", ""},
        {"com", ""},
        {"a" + longest, ""},
        {".example.com", ""},
        {"a..b", ""},
        {"example.com..", ""},
        {"http://user@/", ""},
        {"http:///example.com", ""},
        {"http:/example.com", ""},
        {"example.com:h80", ""},
        {"[::1]:", ""},
        {"2001:db8::1", ""},
        {"[::1", ""},
        {"[::1]junk", ""},
        {"[example.com]", ""},
        {"[fe80::1%1]", ""},
        // A number or a bracketed text that is no IP address.
        {"1.2.3.256", ""},
        {"1.2.3", ""},
        {"1.2.3.4.5", ""},
        {"1..2.3", ""},
        {"a.0.0.1", ""},
        {"0010.0.0.1", ""},
        {"www.10.0.0.1", ""},
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
        {"[]", ""},
        {"exa mple.com", ""},
        {"example.com\xC2\xA0/", ""},
        {"example.com\r\n", ""},
        {std::string("exa\0mple.com", 12), ""},
        {std::string(1 << 20, '.'), ""},
    };
    for (const Case& row : cases) {
        EXPECT_EQ(ExtractHost(row.typed), row.made) << row.typed.substr(0, 60);
        EXPECT_EQ(IsIpLiteral(row.made), row.ipAddress) << row.made;
    }
}

TEST(BrowsableAddress, IsAWebAddressOrNothing) {
    const Case cases[] = {
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

}  // namespace
}  // namespace resolvo::fix
