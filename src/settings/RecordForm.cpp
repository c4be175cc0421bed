#include "settings/RecordForm.h"

#include "platform/sjis.h"
#include "settings/EraDate.h"

#include <chrono>
#include <cstdio>

namespace nrt::recordform {
namespace {

template <std::size_t N>
std::array<std::string, N> Converted(const std::array<ItemDef, N>& items, const char* ItemDef::*member)
{
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = platform::Utf8ToSjis(items[i].*member);
    return out;
}

const std::string& Pick(const std::array<std::string, kItemCount>& texts, int item)
{
    static const std::string none;
    return item >= 0 && item < kItemCount ? texts[static_cast<std::size_t>(item)] : none;
}

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

const std::string& FieldName(int item)
{
    static const auto names = Converted(kItems, &ItemDef::field);
    return Pick(names, item);
}

const std::string& RefusalMessage(int item)
{
    static const auto texts = Converted(kItems, &ItemDef::refusal);
    return Pick(texts, item);
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
    for (int i = 0; i < kItemCount; ++i)
        if (const char* value = records.GetValueByName(FieldName(i)))
            out[static_cast<std::size_t>(i)] = value;
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

SaveResult SaveValues(RecordSet& records, int position, const Values& values, std::string_view loadedBirthday,
    const platform::LocalTime& now)
{
    SaveResult result;
    const bool isNew = position < 0;
    if (isNew) {
        records.ClearCurrent();
    } else if (records.SetPos(position) < 0 || records.Read() != RecordError::kNone) {
        // Reading failed and emptied the buffer: posting now would add a record instead.
        result.code = kNoSuchRecord;
        return result;
    }
    for (int i = 0; i < kItemCount; ++i) {
        const std::string& value = values[static_cast<std::size_t>(i)];
        const std::string text = i == kBirthday ? BirthdayToStore(value, loadedBirthday) : value;
        // A table of other fields than the 24 lacks the later ones: nothing to keep.
        if (i >= kJointName1 && text.empty() && records.GetTable() != nullptr
            && records.GetTable()->FindField(FieldName(i)) < 0)
            continue;
        if (records.SetValue(FieldName(i), text) != RecordError::kNone) {
            result.code = kRefused;
            result.refused = i;
            return result;
        }
    }
    // A table without these fields (an imported schema) simply does not keep them.
    const std::string today = DateText(now);
    if (isNew)
        static_cast<void>(records.SetValue(SJ("登録日"), today));
    static_cast<void>(records.SetValue(SJ("更新日"), today));
    if (records.Post() != RecordError::kNone) {
        result.code = kWriteFailed;
        return result;
    }
    result.position = isNew ? -1 : records.GetPos();
    return result;
}

} // namespace nrt::recordform
