#include "mail/Md5Hash.h"

#include <gtest/gtest.h>

#include <string>

using nrt::Md5Hash;

namespace {

std::string Hex(const Md5Hash::Digest& d)
{
    return Md5Hash::ToHex(d);
}

std::string Bytes(std::size_t n, unsigned char value)
{
    return std::string(n, static_cast<char>(value));
}

} // namespace

TEST(Md5Hash, Rfc1321TestSuite)
{
    const struct {
        const char* input;
        const char* digest;
    } cases[] = {
        { "", "d41d8cd98f00b204e9800998ecf8427e" },
        { "a", "0cc175b9c0f1b6a831c399e269772661" },
        { "abc", "900150983cd24fb0d6963f7d28e17f72" },
        { "message digest", "f96b697d7cb7938d525a2f31aaf161d0" },
        { "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b" },
        { "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
            "57edf4a22be3c955ac49da2e2107b67a" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(Md5Hash::Md5(c.input)), c.digest) << '"' << c.input << '"';
}

TEST(Md5Hash, PiecewiseUpdatesGiveTheSameDigestAcrossBlockEdges)
{
    // Lengths around the 56- and 64-byte edges of the padding, fed in uneven pieces.
    std::string data;
    for (int i = 0; i < 300; ++i)
        data += static_cast<char>(i * 7 + 3);
    for (std::size_t length : { 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 300u }) {
        const std::string part = data.substr(0, length);
        Md5Hash md;
        for (std::size_t at = 0, step = 1; at < part.size(); at += step, step = step % 13 + 1)
            md.Update(part.data() + at, std::min(step, part.size() - at));
        EXPECT_EQ(Hex(md.Final()), Hex(Md5Hash::Md5(part))) << length;
    }
    // A million "a": the classic long vector.
    Md5Hash md;
    const std::string thousand(1000, 'a');
    for (int i = 0; i < 1000; ++i)
        md.Update(thousand.data(), thousand.size());
    EXPECT_EQ(Hex(md.Final()), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5Hash, HmacMd5Rfc2202Cases)
{
    const struct {
        std::string key;
        std::string data;
        const char* digest;
    } cases[] = {
        { Bytes(16, 0x0b), "Hi There", "9294727a3638bb1c13f48ef8158bfc9d" },
        { "Jefe", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738" },
        { Bytes(16, 0xaa), Bytes(50, 0xdd), "56be34521d144c88dbb8c733f0e8b3f6" },
        { std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17"
                      "\x18\x19",
              25),
            Bytes(50, 0xcd), "697eaf0aca3a3aea3a75164746ffaa79" },
        { Bytes(16, 0x0c), "Test With Truncation", "56461ef2342edc00f9bab995690efd4c" },
        // Keys longer than a block are hashed first.
        { Bytes(80, 0xaa), "Test Using Larger Than Block-Size Key - Hash Key First",
            "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd" },
        { Bytes(80, 0xaa), "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
            "6f630fad67cda0ee1fb1f562db3aa53e" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(Md5Hash::HmacMd5(c.data, c.key)), c.digest) << c.data;
}

TEST(Md5Hash, CramMd5ExampleOfRfc2195)
{
    const std::string challenge = "<1896.697170952@postoffice.reston.mci.net>";
    EXPECT_EQ(Hex(Md5Hash::HmacMd5(challenge, "tanstaaftanstaaf")), "b913a602c7eda7a495b4e6e7334d3890");
}
