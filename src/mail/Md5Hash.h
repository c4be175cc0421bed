#pragma once
// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104), for the CRAM-MD5 answer of the SMTP client.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

class Md5Hash {
public:
    using Digest = std::array<unsigned char, 16>;

    Md5Hash() { Init(); }

    // Incremental use: Init, any number of Update, Final. Final leaves the object
    // ready for a new Init.
    void Init();
    void Update(const void* data, std::size_t length);
    Digest Final();

    static Digest Md5(std::string_view data);
    static Digest HmacMd5(const void* message, std::size_t messageLength, const void* key, std::size_t keyLength);
    static Digest HmacMd5(std::string_view message, std::string_view key)
    {
        return HmacMd5(message.data(), message.size(), key.data(), key.size());
    }
    // 32 lowercase hexadecimal digits, two per byte.
    static std::string ToHex(const Digest& digest);

private:
    void Transform(const unsigned char block[64]);

    std::uint32_t state_[4] = {};
    std::uint64_t bitCount_ = 0;
    unsigned char buffer_[64] = {};
};

} // namespace nrt
