#pragma once
// The desktop's keyring (a Secret Service on the session bus, through libsecret), for the
// passwords a user asks the program to keep. Where none answers (no session bus, no
// service, a build without libsecret) every call says so, and the caller keeps the
// password its other way or asks for it each time.

#include <string>
#include <string_view>

namespace nrt::platform::keyring {

enum class KeyringResult {
    kDone,
    kNotFound, // the keyring answers but holds no such password
    kUnavailable, // no keyring answers
};

// Texts are UTF-8. A password is known by the server and the user it is for.
[[nodiscard]] KeyringResult Store(std::string_view server, std::string_view user, std::string_view password);
[[nodiscard]] KeyringResult Lookup(std::string_view server, std::string_view user, std::string* password);
[[nodiscard]] KeyringResult Forget(std::string_view server, std::string_view user);

} // namespace nrt::platform::keyring
