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

// The edited values, in the order they are stored.
enum Item : int {
    kSender, // "1" / "0"
    kPrintMark, // "1" / "0"
    kName,
    kKana,
    kHonorific,
    kGender,
    kBirthday, // as shown (era or Gregorian form); stored in Gregorian form
    kPostalCode,
    kPrefecture,
    kAddress1,
    kAddress2,
    kPhone,
    kFax,
    kMobile,
    kMail,
    kHomePage,
    kCategory,
    kSubcategory,
    kNote1,
    kNote2,
    // The fields a table gains on their first value.
    kJointName1,
    kJointHonorific1,
    kJointName2,
    kJointHonorific2,
    kJointName3,
    kJointHonorific3,
    kCompany,
    kDepartment,
    kTitle,
    kCardHistory,
    kCardNotes,
    kItemCount
};

struct ItemDef {
    const char* field; // UTF-8
    const char* refusal; // UTF-8, shown with the caption "注意"
    bool focusOnRefusal;
};

// clang-format off
inline constexpr std::array<ItemDef, kItemCount> kItems{{
    {"宛名区分", "不正な宛名が入力されました。", false},
    {"印字区分", "不正な印字が入力されました。", false},
    {"名前", "不正な名前が入力されました。", false},
    {"カナ", "不正なカナが入力されました。", false},
    {"敬称", "不正な敬称が入力されました。", false},
    {"性別", "不正な性別が入力されました。", false},
    {"生年月日", "不正な生年月日が入力されました。", false},
    {"郵便番号", "不正な郵便番号が入力されました。", false},
    {"都道府県", "不正な都道府県が入力されました。", false},
    {"住所１", "不正な住所が入力されました。", false},
    {"住所２", "不正な住所が入力されました。", false},
    {"電話番号", "不正な電話番号が入力されました。", false},
    {"ＦＡＸ", "不正なＦＡＸ番号が入力されました。", false},
    {"携帯番号", "不正な携帯番号が入力されました。", false},
    {"メール", "不正なメールが入力されました。", false},
    {"ＨＰ", "不正なＨＰアドレスが入力されました。", false},
    {"大分類", "不正な分類が入力されました。", true},
    {"小分類", "不正な分類が入力されました。", true},
    {"備考１", "不正な備考が入力されました。", true},
    {"備考２", "不正な備考が入力されました。", true},
    {"連名１", "不正な連名が入力されました。", true},
    {"連名１敬称", "不正な敬称が入力されました。", true},
    {"連名２", "不正な連名が入力されました。", true},
    {"連名２敬称", "不正な敬称が入力されました。", true},
    {"連名３", "不正な連名が入力されました。", true},
    {"連名３敬称", "不正な敬称が入力されました。", true},
    {"会社名", "不正な会社名が入力されました。", true},
    {"部署", "不正な部署が入力されました。", true},
    {"役職", "不正な役職が入力されました。", true},
    {"年賀状履歴", "不正な年賀状の記録が入力されました。", true},
    {"年賀状メモ", "不正な年賀状のメモが入力されました。", true},
}};
// clang-format on

// CP932 forms of the table above.
const std::string& FieldName(int item);
const std::string& RefusalMessage(int item);

using Values = std::array<std::string, kItemCount>;

// Today as the integer yyyymmdd and as "yyyy/mm/dd".
int TodayNumber(const platform::LocalTime& now);
std::string DateText(const platform::LocalTime& now);

// The record at record-set row `position` as the form holds it: every item's stored
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
// book's folder ("NrtDraft.dat": one value a line, in item order) and offered the next
// time a new record is begun.
inline constexpr char kDraftFile[] = "NrtDraft.dat";
std::string DraftBytes(const Values& values);
// False when the bytes are not a draft of this many items.
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

enum SaveCode : int {
    kSaved = 0,
    kRefused = 1, // SaveResult::refused names the item
    kNoSuchRecord = 2, // the edited row is not in the record set any more
    kWriteFailed = 3, // the table could not take the record
};
struct SaveResult {
    int code = kSaved;
    int refused = -1;
    int position = -1; // the edit position after a save
};

// Stores the values in the record at row `position` (or a new record for -1): each item
// in order, the first refused one stopping the save with nothing written; then
// "登録日" for a new record and "更新日" for every record as today; then posts it.
// The birthday item is stored as BirthdayToStore(values[kBirthday], loadedBirthday).
SaveResult SaveValues(RecordSet& records, int position, const Values& values, std::string_view loadedBirthday,
    const platform::LocalTime& now);

} // namespace nrt::recordform
