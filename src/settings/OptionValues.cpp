#include "settings/OptionValues.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/BookSettings.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace nrt::options {
namespace {

constexpr std::array<std::int32_t, kSslChoices> kUsualPorts { 25, 587, 465 };

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::int32_t> WholeNumber(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i]))
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t PortFromText(std::string_view text)
{
    return WholeNumber(text).value_or(-1);
}

std::string PortText(std::int32_t port)
{
    return port == -1 ? std::string() : std::to_string(port);
}

std::int32_t WrapFromText(std::string_view text)
{
    // As atoi reads it: leading blanks, a sign, then the digits up to the first other byte.
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), INT32_MAX);
    if (negative)
        value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, kMailWrapMin, kMailWrapMax));
}

std::int32_t TimeoutFromText(std::string_view text)
{
    return WholeNumber(text).value_or(60);
}

std::int32_t RestFromText(std::string_view text, std::int32_t fallback)
{
    const std::optional<std::int32_t> n = WholeNumber(text);
    return n ? std::clamp(*n, 0, kMailRestMax) : fallback;
}

std::string CaFileProblem(std::string_view path)
{
    if (path.empty() || platform::fs::IsFile(path))
        return {};
    return SJ("証明書ファイルが見つかりません。");
}

std::string BackupPathProblem(std::string_view path)
{
    if (path.empty())
        return SJ("保存先フォルダを入力してください。");
    if (path.size() > kBackupPathLimit)
        return SJ("保存先フォルダの文字数が多すぎます。");
    return {};
}

Auth AuthChoice(std::int32_t stored)
{
    if (stored <= 0)
        return kAuthNone;
    if (stored == kAuthLogin || stored == kAuthPlain)
        return static_cast<Auth>(stored);
    return kAuthCramMd5;
}

std::int32_t UsualPort(int ssl)
{
    return ssl >= 0 && ssl < kSslChoices ? kUsualPorts[static_cast<std::size_t>(ssl)] : kUsualPorts[0];
}

std::optional<std::string> ProposedPort(int ssl, std::string_view portText)
{
    const std::int32_t target = UsualPort(ssl);
    const std::optional<std::int32_t> current = WholeNumber(portText);
    const bool usual = current && std::find(kUsualPorts.begin(), kUsualPorts.end(), *current) != kUsualPorts.end();
    if (!portText.empty() && !usual)
        return std::nullopt;
    if (current == target)
        return std::nullopt;
    return std::to_string(target);
}

} // namespace nrt::options
