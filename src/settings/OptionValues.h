#pragma once
// How the options dialog turns what was typed into settings: the port, the wrap width,
// the timeout, the backup folder check, the authentication choice and the port that
// goes with an encryption choice. Texts are CP932.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nrt::options {

// The whole text as a decimal integer (an optional sign, digits), or nothing.
std::optional<std::int32_t> WholeNumber(std::string_view text);

// MAIL PORTNO: -1 (the "mail" service's port) when the text is not a number.
std::int32_t PortFromText(std::string_view text);
// The port as the dialog shows it: empty for -1.
std::string PortText(std::int32_t port);
// MAIL TURN: the number at the start of the text (0 when there is none), within 10..255.
std::int32_t WrapFromText(std::string_view text);
// MAIL TIMEOUT: 60 when the text is not a number.
std::int32_t TimeoutFromText(std::string_view text);

// MAIL RESTCOUNT and RESTSEC: the number within 0..9999, `fallback` when the text is
// not a number.
std::int32_t RestFromText(std::string_view text, std::int32_t fallback);
// The refusal of a certificate file for the mail server; empty when it is accepted (no
// file, or one that exists).
std::string CaFileProblem(std::string_view path);

// The longest backup folder the dialog accepts, in bytes.
inline constexpr std::size_t kBackupPathLimit = 80;
// The refusal of a backup folder while the backup is on; empty when it is accepted.
std::string BackupPathProblem(std::string_view path);

// MAIL SMTP: 0 no authentication, 1 LOGIN, 2 CRAM-MD5, 3 PLAIN.
enum Auth : std::int32_t { kAuthNone = 0, kAuthLogin = 1, kAuthCramMd5 = 2, kAuthPlain = 3 };
// The choice a stored value selects: LOGIN and PLAIN by their numbers, CRAM-MD5 for any
// other value above 0.
Auth AuthChoice(std::int32_t stored);

// MAIL SSL: 0 none, 1 STARTTLS, 2 TLS from the first byte.
inline constexpr int kSslChoices = 3;
// 25, 587, 465.
std::int32_t UsualPort(int ssl);
// The port text after choosing encryption `ssl`: the usual port of the choice when the
// field is empty or holds the usual port of another choice, otherwise nothing (the
// user's own port stays).
std::optional<std::string> ProposedPort(int ssl, std::string_view portText);

} // namespace nrt::options
