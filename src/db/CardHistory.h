#pragma once
// Who sent what each New Year: per year a card sent (出), one received (受), the
// addressee in mourning (喪中), and a short note. Kept in two fields of the record:
// "年賀状履歴" holds one word per year, newest first ("2027出受 2026喪"), so that
// conditions can pick the years out; "年賀状メモ" holds "year:note" entries
// separated by TAB. Texts are CP932.

#include "platform/Clock.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt::cardhistory {

struct YearMarks {
    int year = 0;
    bool sent = false;
    bool received = false;
    bool mourning = false;
    std::string note;

    bool IsEmpty() const { return !sent && !received && !mourning && note.empty(); }
    bool operator==(const YearMarks&) const = default;
};
// A year without marks.
inline YearMarks NoMarks(int year)
{
    YearMarks marks;
    marks.year = year;
    return marks;
}

// The years of the two fields, newest first; words and entries that are not a year
// with marks (or a note) are passed over.
std::vector<YearMarks> Parse(std::string_view history, std::string_view notes);
// The marks of one year (empty ones when the fields have none for it).
YearMarks ForYear(std::string_view history, std::string_view notes, int year);

struct Fields {
    std::string history;
    std::string notes;
};
// The two fields for `years`, newest first, empty years left out; the oldest years go
// when a field would grow beyond its width. A TAB in a note becomes a space.
Fields Format(std::vector<YearMarks> years);
// `years` with the marks of marks.year put in place of those there were.
std::vector<YearMarks> WithYear(std::vector<YearMarks> years, const YearMarks& marks);

// The year of the New Year's cards being written: from October on, the coming one.
int CardYear(const platform::LocalTime& now);

} // namespace nrt::cardhistory

namespace nrt {
class AddressTable;
}

namespace nrt::cardhistory {

// Takes the records in mourning in `year` out of `records` (New Year's cards are not
// sent to them); how many were taken out.
int LeaveOutMourning(const AddressTable& table, std::vector<int>& records, int year);
// Marks a card sent in `year` in each of the records; false when the table refused one.
bool MarkSent(AddressTable& table, const std::vector<int>& records, int year);

// The main list's extraction presets, as extraction suffixes for the card year.
enum class Preset {
    kSentOrReceived, // "今年 送った／来た"
    kReceivedNotSent, // "来たが送っていない"
    kMourning, // "喪中"
};
std::string PresetCondition(Preset preset, int year);

} // namespace nrt::cardhistory
