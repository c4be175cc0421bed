#include "settings/RecordForm.h"

#include "platform/sjis.h"
#include "settings/EraDate.h"

#include <chrono>
#include <cstdio>

namespace nrt::recordform {
namespace {

// yyyymmdd of a date text in either form, or -1.
int DateNumber(std::string_view text)
{
    std::chrono::year_month_day date;
    if (!ParseDate(EraToGregorian(DateInput(text)), date))
        return -1;
    return static_cast<int>(date.year()) * 10000 + static_cast<int>(static_cast<unsigned>(date.month())) * 100
        + static_cast<int>(static_cast<unsigned>(date.day()));
}

} // namespace

const std::string& RefusalMessage(int field)
{
    static const auto texts = [] {
        std::array<std::string, kFieldCatalogue.size()> t;
        for (const int f : kFormFields)
            t[static_cast<std::size_t>(f)] = platform::Utf8ToSjis(fieldcatalogue::Info(f).refusal);
        return t;
    }();
    static const std::string none;
    return field >= 0 && field < field::kSchemaEnd ? texts[static_cast<std::size_t>(field)] : none;
}

int TodayNumber(const platform::LocalTime& now)
{
    return now.year * 10000 + now.month * 100 + now.day;
}

std::string DateText(const platform::LocalTime& now)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", now.year, now.month, now.day);
    return buf;
}

bool ReadValues(RecordSet& records, int position, Values& out)
{
    for (auto& v : out)
        v.clear();
    if (position < 0 || records.SetPos(position) < 0 || records.Read() != RecordError::kNone)
        return false;
    for (const int f : kFormFields)
        if (const char* value = records.GetValueByName(SchemaFieldName(f)))
            out[static_cast<std::size_t>(f)] = value;
    return true;
}

std::string BirthdayToShow(std::string_view stored, bool eraForm)
{
    std::string shown = FormatDate(stored, eraForm);
    return shown.empty() ? std::string(stored) : shown;
}

std::string BirthdayToStore(std::string_view shown, std::string_view loaded)
{
    std::string stored = FormatDate(DateInput(shown), false);
    if (stored.empty() && !shown.empty() && shown == loaded)
        return std::string(loaded);
    return stored;
}

int AgeYears(std::string_view birthday, int today)
{
    const int born = DateNumber(birthday);
    if (born < 0 || born > today)
        return -1;
    return (today - born) / 10000;
}

std::string PostalCodeWithHyphen(std::string_view text)
{
    std::string out(text);
    if (text.size() < 4 || text.size() > 7 || text[3] == '-')
        return out;
    // The third byte must end a character: "-" never goes between the two bytes of one.
    std::size_t i = 0;
    while (i < 3)
        i += platform::CharLength(text, i);
    if (i != 3)
        return out;
    out.insert(3, 1, '-');
    return out;
}

bool IsUsableMailAddress(std::string_view address)
{
    const std::size_t at = platform::FindChar(address, '@');
    return at != std::string_view::npos && at != 0 && at + 1 != address.size();
}

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Space and control characters end or split an address wherever a program reads it.
bool HasSpaceOrControl(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); i += platform::CharLength(text, i)) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (platform::CharLength(text, i) == 1 && (c <= 0x20 || c == 0x7F))
            return true;
    }
    return false;
}

// The scheme of "scheme:rest" (letters first, then letters, digits, "+", "-", "."),
// or empty when the text does not begin with one. "host:8080" has none: a port follows.
std::string_view SchemeOf(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsAsciiLetter(text[0]))
        return {};
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.')
            return {};
    }
    std::size_t end = colon + 1;
    while (end < text.size() && IsAsciiDigit(text[end]))
        ++end;
    if (end > colon + 1 && (end == text.size() || text[end] == '/'))
        return {};
    return text.substr(0, colon);
}

} // namespace

std::string DraftBytes(const Values& values)
{
    std::string out;
    for (const int f : kFormFields) {
        const std::string& v = values[static_cast<std::size_t>(f)];
        // The form's fields are single lines; a line break would shift every item after.
        for (const char c : v)
            out += c == '\r' || c == '\n' ? ' ' : c;
        out += "\r\n";
    }
    return out;
}

bool ParseDraft(std::string_view bytes, Values& values)
{
    for (const int f : kFormFields) {
        const std::size_t end = bytes.find("\r\n");
        if (end == std::string_view::npos)
            return false;
        values[static_cast<std::size_t>(f)].assign(bytes.substr(0, end));
        bytes.remove_prefix(end + 2);
    }
    return bytes.empty();
}

std::string MailLinkToOpen(std::string_view address)
{
    if (!IsUsableMailAddress(address) || HasSpaceOrControl(address))
        return {};
    int ats = 0;
    for (std::size_t i = 0; i < address.size(); i += platform::CharLength(address, i)) {
        if (platform::CharLength(address, i) == 2)
            continue;
        switch (address[i]) {
        case '@':
            ++ats;
            break;
        // A query (subject, body, attach …), a second recipient, an escape that could
        // spell either, or a part of a URL: none belong to one address.
        case '?':
        case '&':
        case '%':
        case ',':
        case ';':
        case ':':
        case '#':
        case '/':
        case '\\':
        case '<':
        case '>':
        case '"':
            return {};
        default:
            break;
        }
    }
    if (ats != 1)
        return {};
    return "mailto:" + std::string(address);
}

std::string WebLinkToOpen(std::string_view address)
{
    if (address.empty() || HasSpaceOrControl(address) || platform::FindChar(address, '\\') != std::string_view::npos)
        return {};
    const std::string_view scheme = SchemeOf(address);
    if (scheme.empty()) {
        // A bare host: it must begin like a host name, not like a path ("/etc",
        // "./a", "~/a", "//server").
        const auto first = static_cast<unsigned char>(address[0]);
        if (!IsAsciiLetter(address[0]) && !IsAsciiDigit(address[0]) && first < 0x80)
            return {};
        return "https://" + std::string(address);
    }
    if (platform::lstrcmpiA(scheme, "http") != 0 && platform::lstrcmpiA(scheme, "https") != 0)
        return {};
    const std::string_view rest = address.substr(scheme.size() + 1);
    // "http:" must go on with "//" and a host.
    if (!rest.starts_with("//") || rest.size() == 2 || rest[2] == '/' || rest[2] == '?' || rest[2] == '#')
        return {};
    return std::string(address);
}

std::string MailLinkRefusal(std::string_view address)
{
    return SJ("メールアドレス「") + std::string(address)
        + SJ("」はメールソフトに渡せません。\n宛先一つだけのアドレスにして下さい。");
}

std::string WebLinkRefusal(std::string_view address)
{
    return SJ("ホームページ「") + std::string(address)
        + SJ("」はブラウザで開けません。\nhttp:// または https:// のアドレスにして下さい。");
}

SaveResult SaveValues(RecordSet& records, int position, const Values& values, std::string_view loadedBirthday,
    const platform::LocalTime& now)
{
    SaveResult result;
    const bool isNew = position < 0;
    if (isNew) {
        records.ClearCurrent();
    } else if (records.SetPos(position) < 0 || records.Read() != RecordError::kNone) {
        // Reading failed and emptied the buffer: posting now would add a record instead.
        result.code = SaveCode::kNoSuchRecord;
        return result;
    }
    for (const int f : kFormFields) {
        const std::string& value = values[static_cast<std::size_t>(f)];
        const std::string text = f == field::kBirthday ? BirthdayToStore(value, loadedBirthday) : value;
        // A table of other fields than the 24 lacks the later ones: nothing to keep.
        if (f >= field::kJointName1 && text.empty() && records.GetTable() != nullptr
            && records.GetTable()->FindField(SchemaFieldName(f)) < 0)
            continue;
        if (records.SetValue(SchemaFieldName(f), text) != RecordError::kNone) {
            result.code = SaveCode::kRefused;
            result.refused = f;
            return result;
        }
    }
    // A table without these fields (an imported schema) simply does not keep them.
    const std::string today = DateText(now);
    if (isNew)
        static_cast<void>(records.SetValue(SchemaFieldName(field::kRegistered), today));
    static_cast<void>(records.SetValue(SchemaFieldName(field::kUpdated), today));
    if (records.Post() != RecordError::kNone) {
        result.code = SaveCode::kWriteFailed;
        return result;
    }
    result.position = isNew ? -1 : records.GetPos();
    return result;
}

} // namespace nrt::recordform
