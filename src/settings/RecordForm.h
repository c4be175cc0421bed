#pragma once
// What the record input form does without a window: the values of its controls, the
// order in which they are stored with the message of each refusal, loading and saving
// one record through a record set, the birthday and the age, the postal-code hyphen
// and the test of a mail address. Texts are CP932.

#include "db/RecordSet.h"
#include "platform/Clock.h"

#include <array>
#include <string>
#include <string_view>

namespace nrt::recordform {

// The edited values, indexed by field (field::kName …): those of kFormFields, which
// are stored in that order; the other slots stay empty. kBirthday is held as shown
// (era or Gregorian form) and stored in Gregorian form; kSender and kPrintMark are
// "1" / "0".
using Values = std::array<std::string, field::kExtendedEnd>;

// The form's refusal of a field's value (CP932); "" for a field not on the form.
const std::string& RefusalMessage(int field);

// Today as the integer yyyymmdd and as "yyyy/mm/dd".
int TodayNumber(const platform::LocalTime& now);
std::string DateText(const platform::LocalTime& now);

// The record at record-set row `position` as the form holds it: every form field's stored
// value (the birthday as stored, a missing field as the empty text). False, with the
// values emptied, when there is no such row.
bool ReadValues(RecordSet& records, int position, Values& out);

// The birthday as the form shows it: FormatDate in era or Gregorian form, or the stored
// text itself when it is not a date the program can read, so that it is not lost.
std::string BirthdayToShow(std::string_view stored, bool eraForm);
// The birthday to store: the Gregorian form of what is shown, the empty text when it
// does not parse; but a text that was loaded unreadable and left as it was is kept.
std::string BirthdayToStore(std::string_view shown, std::string_view loaded);

// The age in whole years from the birthday as shown (either form) and today's yyyymmdd;
// -1 when the birthday does not parse or lies after today.
int AgeYears(std::string_view birthday, int today);

// The postal code as it stays after leaving its field: 4 to 7 bytes whose fourth byte
// is not "-" get a "-" after the third byte (never inside a double-byte character).
std::string PostalCodeWithHyphen(std::string_view text);

// An address the mail program can be started with: it has an at sign, and the first
// one is neither its first nor its last character.
bool IsUsableMailAddress(std::string_view address);

// An edit that could not be stored when the session ended, kept as a draft in the
// book's folder ("NrtDraft.dat": one value a line, in the order of kFormFields) and offered the next
// time a new record is begun.
inline constexpr char kDraftFile[] = "NrtDraft.dat";
std::string DraftBytes(const Values& values);
// False when the bytes are not a draft of as many values as the form has.
bool ParseDraft(std::string_view bytes, Values& values);

// What the mail button may hand to the mail program: "mailto:" and the address, when
// the address is one plain address (no query such as "?attach=", no second recipient,
// no escapes, spaces or control characters); empty when it is not.
std::string MailLinkToOpen(std::string_view address);
// What the web button may hand to the browser: an http or https address as typed, or a
// bare host name ("www.example.jp/a") with "https://" before it; empty for anything
// else (local files, other schemes, script addresses, control characters).
std::string WebLinkToOpen(std::string_view address);
// The refusals of those two, naming the value.
std::string MailLinkRefusal(std::string_view address);
std::string WebLinkRefusal(std::string_view address);

enum class SaveCode : int {
    kSaved = 0,
    kRefused = 1, // SaveResult::refused names the field
    kNoSuchRecord = 2, // the edited row is not in the record set any more
    kWriteFailed = 3, // the table could not take the record
};
struct SaveResult {
    SaveCode code = SaveCode::kSaved;
    int refused = -1;
    int position = -1; // the edit position after a save
};

// Stores the values in the record at row `position` (or a new record for -1): each
// field of kFormFields in order, the first refused one stopping the save with nothing written; then
// "登録日" for a new record and "更新日" for every record as today; then posts it.
// The birthday is stored as BirthdayToStore(values[kBirthday], loadedBirthday).
SaveResult SaveValues(RecordSet& records, int position, const Values& values, std::string_view loadedBirthday,
    const platform::LocalTime& now);

} // namespace nrt::recordform
