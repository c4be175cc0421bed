#include "mail/Md5Hash.h"

#include <algorithm>
#include <cstring>

namespace nrt {
namespace {

constexpr std::size_t kBlock = 64;

// Per-step shift amounts and sine-derived constants of RFC 1321.
constexpr int kShift[64] = { 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 5, 9, 14, 20, 5, 9, 14, 20, 5,
    9, 14, 20, 5, 9, 14, 20, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 6, 10, 15, 21, 6, 10, 15, 21,
    6, 10, 15, 21, 6, 10, 15, 21 };

constexpr std::uint32_t kSine[64] = { 0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a,
    0xa8304613, 0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e,
    0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942,
    0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244, 0x432aff97, 0xab9423a7,
    0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1, 0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1,
    0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391 };

constexpr std::uint32_t RotateLeft(std::uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

} // namespace

void Md5Hash::Init()
{
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    bitCount_ = 0;
    std::memset(buffer_, 0, sizeof buffer_);
}

void Md5Hash::Transform(const unsigned char block[64])
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = static_cast<std::uint32_t>(block[i * 4]) | (static_cast<std::uint32_t>(block[i * 4 + 1]) << 8)
            | (static_cast<std::uint32_t>(block[i * 4 + 2]) << 16)
            | (static_cast<std::uint32_t>(block[i * 4 + 3]) << 24);

    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (b & d) | (c & ~d);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const std::uint32_t next = b + RotateLeft(a + f + kSine[i] + x[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5Hash::Update(const void* data, std::size_t length)
{
    if (length == 0)
        return;
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t used = static_cast<std::size_t>((bitCount_ / 8) % kBlock);
    bitCount_ += static_cast<std::uint64_t>(length) * 8;
    if (used) {
        const std::size_t take = std::min(length, kBlock - used);
        std::memcpy(buffer_ + used, p, take);
        p += take;
        length -= take;
        if (used + take < kBlock)
            return;
        Transform(buffer_);
    }
    for (; length >= kBlock; p += kBlock, length -= kBlock)
        Transform(p);
    std::memcpy(buffer_, p, length);
}

Md5Hash::Digest Md5Hash::Final()
{
    const std::uint64_t bits = bitCount_;
    unsigned char length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<unsigned char>(bits >> (8 * i));

    // One 0x80 byte, zeros up to 56 bytes modulo 64, then the length in bits.
    static constexpr unsigned char kPad[kBlock] = { 0x80 };
    const std::size_t used = static_cast<std::size_t>((bits / 8) % kBlock);
    Update(kPad, used < 56 ? 56 - used : 120 - used);
    Update(length, 8);

    Digest out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i * 4 + j] = static_cast<unsigned char>(state_[i] >> (8 * j));
    Init();
    return out;
}

Md5Hash::Digest Md5Hash::Md5(std::string_view data)
{
    Md5Hash md;
    md.Update(data.data(), data.size());
    return md.Final();
}

Md5Hash::Digest Md5Hash::HmacMd5(const void* message, std::size_t messageLength, const void* key, std::size_t keyLength)
{
    unsigned char k[kBlock] = {};
    if (keyLength > kBlock) {
        const Digest hashed = Md5(std::string_view(static_cast<const char*>(key), keyLength));
        std::memcpy(k, hashed.data(), hashed.size());
    } else if (keyLength) {
        std::memcpy(k, key, keyLength);
    }

    unsigned char pad[kBlock];
    Md5Hash md;
    for (std::size_t i = 0; i < kBlock; ++i)
        pad[i] = static_cast<unsigned char>(k[i] ^ 0x36);
    md.Update(pad, kBlock);
    md.Update(message, messageLength);
    const Digest inner = md.Final();

    for (std::size_t i = 0; i < kBlock; ++i)
        pad[i] = static_cast<unsigned char>(k[i] ^ 0x5C);
    md.Update(pad, kBlock);
    md.Update(inner.data(), inner.size());
    return md.Final();
}

std::string Md5Hash::ToHex(const Digest& digest)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(32);
    for (unsigned char b : digest) {
        out += kHex[b >> 4];
        out += kHex[b & 0x0F];
    }
    return out;
}

} // namespace nrt
