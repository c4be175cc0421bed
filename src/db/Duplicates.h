#pragma once
// Records that are the same person or firm twice (once from the phone, once from last
// year's CSV): the same name once width, blanks and old kanji forms (髙/高, 﨑/崎 …) are
// set aside, the old forms only where the readings agree too, and besides the name the
// same address, telephone number or mail address. And the merge of such a pair into one
// record. Texts are CP932.

#include "db/AddressTable.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt::dedupe {

// What a pair has in common besides the name (bits).
enum Shared : unsigned {
    kSharedAddress = 1,
    kSharedPhone = 2,
    kSharedMail = 4,
};

// The shared bits as the lists name them: "住所・電話・メール".
std::string SharedText(unsigned shared);

struct DuplicatePair {
    int first = 0; // table record indices, first < second
    int second = 0;
    unsigned shared = 0;
    bool operator==(const DuplicatePair&) const = default;
};

// A name with blanks left out, full-width letters and digits narrowed, half-width
// katakana widened and Latin letters upper-cased.
std::string NormalisedName(std::string_view name);
// The same with old and variant kanji forms as their common ones.
std::string FoldedName(std::string_view name);

// The pairs among the live records of one kind (addressees with addressees, senders with
// senders), ordered by first, then second. Records are bucketed by their folded name,
// so the work grows with the records, not with their square.
std::vector<DuplicatePair> FindDuplicates(const AddressTable& table);

// What MergeValues makes of two records.
struct MergedRecord {
    std::vector<std::string> values; // one per field of the table
    std::vector<int> notedFields; // fields whose other value went to 備考２
    bool fits = true; // false: 備考２ cannot hold the notes; nothing is to be changed
};

// The record `kept` with `other` merged in: empty fields filled from the other, differing
// values kept with the other's value noted in 備考２ ("（統合）電話番号：…"), the New
// Year's card histories joined year by year, the earlier registration date and the later
// update kept, marked for printing when either was.
MergedRecord MergeValues(const AddressTable& table, int kept, int other);

// Writes the merged values into `kept` (PostRecord). The caller saves the book and only
// then removes `other`, so that a stop between the two leaves both records, never none.
[[nodiscard]] RecordError StoreMerged(AddressTable& table, int kept, const MergedRecord& merged);

} // namespace nrt::dedupe
