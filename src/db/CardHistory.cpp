#include "db/CardHistory.h"

#include "db/AddressTable.h"
#include "platform/sjis.h"

#include <algorithm>
#include <cstdio>

namespace nrt::cardhistory {
namespace {

constexpr std::size_t kYearDigits = 4;
constexpr char kNoteSeparator = '\t';

// The marks in the order they are written: a year in mourning reads "2027喪…", so
// "2027受" stands only for a card received and none sent.
const std::string& MourningMark()
{
    return SJ("喪");
}
const std::string& SentMark()
{
    return SJ("出");
}
const std::string& ReceivedMark()
{
    return SJ("受");
}

bool ReadYear(std::string_view text, int& year)
{
    if (text.size() < kYearDigits)
        return false;
    year = 0;
    for (std::size_t i = 0; i < kYearDigits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        year = year * 10 + (text[i] - '0');
    }
    return year > 0;
}

std::string YearText(int year)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", year);
    return digits;
}

YearMarks& Entry(std::vector<YearMarks>& years, int year)
{
    for (YearMarks& y : years)
        if (y.year == year)
            return y;
    years.push_back(NoMarks(year));
    return years.back();
}

// The pieces of `text` between single-byte separators, double-byte characters whole.
std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = platform::CharLength(text, i);
        if (len == 1 && text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
        i += len;
    }
    parts.push_back(text.substr(start));
    return parts;
}

void SortNewestFirst(std::vector<YearMarks>& years)
{
    std::sort(years.begin(), years.end(), [](const YearMarks& a, const YearMarks& b) { return a.year > b.year; });
}

} // namespace

std::vector<YearMarks> Parse(std::string_view history, std::string_view notes)
{
    std::vector<YearMarks> years;
    for (std::string_view word : Split(history, ' ')) {
        int year = 0;
        if (!ReadYear(word, year))
            continue;
        YearMarks marks = NoMarks(year);
        bool valid = word.size() > kYearDigits;
        for (std::size_t i = kYearDigits; valid && i < word.size();) {
            const std::size_t len = platform::CharLength(word, i);
            const std::string_view mark = word.substr(i, len);
            if (mark == MourningMark())
                marks.mourning = true;
            else if (mark == SentMark())
                marks.sent = true;
            else if (mark == ReceivedMark())
                marks.received = true;
            else
                valid = false;
            i += len;
        }
        if (!valid)
            continue;
        YearMarks& y = Entry(years, year);
        y.sent = y.sent || marks.sent;
        y.received = y.received || marks.received;
        y.mourning = y.mourning || marks.mourning;
    }
    for (std::string_view entry : Split(notes, kNoteSeparator)) {
        int year = 0;
        if (!ReadYear(entry, year) || entry.size() <= kYearDigits + 1 || entry[kYearDigits] != ':')
            continue;
        YearMarks& y = Entry(years, year);
        if (y.note.empty())
            y.note = entry.substr(kYearDigits + 1);
    }
    SortNewestFirst(years);
    return years;
}

YearMarks ForYear(std::string_view history, std::string_view notes, int year)
{
    for (const YearMarks& y : Parse(history, notes))
        if (y.year == year)
            return y;
    return NoMarks(year);
}

Fields Format(std::vector<YearMarks> years)
{
    SortNewestFirst(years);
    const auto historyWidth = static_cast<std::size_t>(kExtendedSchema[field::kCardHistory - field::kJointName1].width);
    const auto notesWidth = static_cast<std::size_t>(kExtendedSchema[field::kCardNotes - field::kJointName1].width);
    Fields out;
    for (const YearMarks& y : years) {
        if (y.year <= 0 || y.year > 9999)
            continue;
        if (y.sent || y.received || y.mourning) {
            std::string word = YearText(y.year);
            if (y.mourning)
                word += MourningMark();
            if (y.sent)
                word += SentMark();
            if (y.received)
                word += ReceivedMark();
            const std::size_t grown = out.history.size() + (out.history.empty() ? 0 : 1) + word.size();
            if (grown <= historyWidth)
                out.history += (out.history.empty() ? "" : " ") + word;
        }
        if (!y.note.empty()) {
            std::string entry = YearText(y.year) + ":" + y.note;
            for (std::size_t i = 0; i < entry.size(); i += platform::CharLength(entry, i))
                if (entry[i] == kNoteSeparator)
                    entry[i] = ' ';
            const std::size_t grown = out.notes.size() + (out.notes.empty() ? 0 : 1) + entry.size();
            if (grown <= notesWidth)
                out.notes += (out.notes.empty() ? "" : std::string(1, kNoteSeparator)) + entry;
        }
    }
    return out;
}

std::vector<YearMarks> WithYear(std::vector<YearMarks> years, const YearMarks& marks)
{
    std::erase_if(years, [&](const YearMarks& y) { return y.year == marks.year; });
    if (!marks.IsEmpty())
        years.push_back(marks);
    SortNewestFirst(years);
    return years;
}

int CardYear(const platform::LocalTime& now)
{
    constexpr int kSeasonStartMonth = 10;
    return now.month >= kSeasonStartMonth ? now.year + 1 : now.year;
}

int LeaveOutMourning(const AddressTable& table, std::vector<int>& records, int year)
{
    const int history = table.FindField(SchemaFieldName(field::kCardHistory));
    const std::size_t before = records.size();
    std::erase_if(records, [&](int k) { return ForYear(table.Value(history, k), {}, year).mourning; });
    return static_cast<int>(before - records.size());
}

bool MarkSent(AddressTable& table, const std::vector<int>& records, int year)
{
    const int history = table.FindField(SchemaFieldName(field::kCardHistory));
    if (history < 0)
        return false;
    for (int k : records) {
        if (table.ReadRecord(k) != RecordError::kNone)
            return false;
        std::vector<YearMarks> years = Parse(table.GetCurrentValue(history), {});
        YearMarks marks = ForYear(table.GetCurrentValue(history), {}, year);
        if (marks.sent)
            continue;
        marks.sent = true;
        marks.note.clear(); // the notes live in their own field
        if (table.SetValue(history, Format(WithYear(std::move(years), marks)).history) != RecordError::kNone
            || table.PostRecord() != RecordError::kNone)
            return false;
    }
    table.ClearCurrent();
    return true;
}

std::string PresetCondition(Preset preset, int year)
{
    const std::string& name = SchemaFieldName(field::kCardHistory);
    const auto term = [&](const std::string& marks) { return name + "='*" + YearText(year) + marks + "*'"; };
    switch (preset) {
    case Preset::kSentOrReceived:
        return " and (" + term(SentMark()) + " or " + term(ReceivedMark()) + " or " + term(MourningMark() + SentMark())
            + " or " + term(MourningMark() + ReceivedMark()) + ")";
    case Preset::kReceivedNotSent:
        return " and " + term(ReceivedMark());
    case Preset::kMourning:
        return " and " + term(MourningMark());
    }
    return {};
}

} // namespace nrt::cardhistory
