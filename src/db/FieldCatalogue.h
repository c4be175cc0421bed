#pragma once
// Every field an address table knows, in one place: its index, stored name and width,
// the input form's refusal, whether the search dialog and the mail composer's insert
// menu offer it, and this program's own vCard property for it. The schema tables, the
// form's storing order, the search and insert lists and the exchange mappings are all
// filtered from this table, so that they cannot disagree.

#include <array>
#include <cstddef>
#include <cstdint>

namespace nrt {

// Indices of the schema, for code that works on it directly.
namespace field {
enum Index : int {
    kSender,
    kPrintMark,
    kName,
    kKana,
    kHonorific,
    kGender,
    kBirthday,
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
    kSubcategory2,
    kNote1,
    kNote2,
    kPortrait,
    kUpdated,
    kRegistered,
    // The fields a table gains on their first value (kExtendedSchema).
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
    kExtendedEnd,
    // The record's own identifier, gained after those the first time a record gets one
    // (kIdentityField); a vCard's UID.
    kUid = kExtendedEnd,
    kSchemaEnd,
};
inline constexpr int kJointNameCount = 3;
} // namespace field

// What each part of the program needs to know of one field. Texts are UTF-8 here;
// SchemaFieldName gives the stored name in CP932.
struct FieldInfo {
    field::Index index;
    const char* name;
    std::int32_t width;
    // The input form's refusal when the table does not take the value (shown with the
    // caption "注意"); nullptr: the form has no control for the field.
    const char* refusal;
    // After that refusal the focus goes to the field's control.
    bool focusOnRefusal;
    bool searchable; // offered by the search dialog
    bool insertable; // offered by the mail composer's insert menu
    // This program's own vCard property, for a field no other program has one for;
    // nullptr: none. `vCardUsual` is the value an import gives where the card has none.
    const char* vCardProperty;
    const char* vCardUsual;
};

// clang-format off
inline constexpr std::array<FieldInfo, field::kSchemaEnd> kFieldCatalogue{{
    {field::kSender, "宛名区分", 1, "不正な宛名が入力されました。", false, false, false, "X-NORTEA-SENDER", "0"},
    {field::kPrintMark, "印字区分", 1, "不正な印字が入力されました。", false, false, false, "X-NORTEA-PRINT", "1"},
    {field::kName, "名前", 30, "不正な名前が入力されました。", false, true, true, nullptr, ""},
    {field::kKana, "カナ", 30, "不正なカナが入力されました。", false, true, true, nullptr, ""},
    {field::kHonorific, "敬称", 4, "不正な敬称が入力されました。", false, true, true, "X-NORTEA-HONORIFIC", ""},
    {field::kGender, "性別", 4, "不正な性別が入力されました。", false, true, true, nullptr, ""},
    {field::kBirthday, "生年月日", 10, "不正な生年月日が入力されました。", false, true, true, nullptr, ""},
    {field::kPostalCode, "郵便番号", 10, "不正な郵便番号が入力されました。", false, true, true, nullptr, ""},
    {field::kPrefecture, "都道府県", 15, "不正な都道府県が入力されました。", false, true, true, nullptr, ""},
    {field::kAddress1, "住所１", 100, "不正な住所が入力されました。", false, true, true, nullptr, ""},
    {field::kAddress2, "住所２", 80, "不正な住所が入力されました。", false, true, true, nullptr, ""},
    {field::kPhone, "電話番号", 15, "不正な電話番号が入力されました。", false, true, true, nullptr, ""},
    {field::kFax, "ＦＡＸ", 15, "不正なＦＡＸ番号が入力されました。", false, true, true, nullptr, ""},
    {field::kMobile, "携帯番号", 15, "不正な携帯番号が入力されました。", false, true, true, nullptr, ""},
    {field::kMail, "メール", 100, "不正なメールが入力されました。", false, true, true, nullptr, ""},
    {field::kHomePage, "ＨＰ", 100, "不正なＨＰアドレスが入力されました。", false, true, true, nullptr, ""},
    {field::kCategory, "大分類", 30, "不正な分類が入力されました。", true, true, true, nullptr, ""},
    {field::kSubcategory, "小分類", 30, "不正な分類が入力されました。", true, true, true, "X-NORTEA-SUBCATEGORY", ""},
    {field::kSubcategory2, "小分類２", 30, nullptr, false, false, false, "X-NORTEA-SUBCATEGORY2", ""},
    {field::kNote1, "備考１", 100, "不正な備考が入力されました。", true, true, true, nullptr, ""},
    {field::kNote2, "備考２", 100, "不正な備考が入力されました。", true, true, true, nullptr, ""},
    {field::kPortrait, "顔写真", 250, nullptr, false, false, false, "X-NORTEA-PORTRAIT", ""},
    {field::kUpdated, "更新日", 20, nullptr, false, true, false, nullptr, ""},
    {field::kRegistered, "登録日", 20, nullptr, false, true, false, "X-NORTEA-REGISTERED", ""},
    {field::kJointName1, "連名１", 30, "不正な連名が入力されました。", true, true, false, nullptr, ""},
    {field::kJointHonorific1, "連名１敬称", 4, "不正な敬称が入力されました。", true, false, false, nullptr, ""},
    {field::kJointName2, "連名２", 30, "不正な連名が入力されました。", true, true, false, nullptr, ""},
    {field::kJointHonorific2, "連名２敬称", 4, "不正な敬称が入力されました。", true, false, false, nullptr, ""},
    {field::kJointName3, "連名３", 30, "不正な連名が入力されました。", true, true, false, nullptr, ""},
    {field::kJointHonorific3, "連名３敬称", 4, "不正な敬称が入力されました。", true, false, false, nullptr, ""},
    {field::kCompany, "会社名", 60, "不正な会社名が入力されました。", true, true, false, nullptr, ""},
    {field::kDepartment, "部署", 60, "不正な部署が入力されました。", true, true, false, nullptr, ""},
    {field::kTitle, "役職", 30, "不正な役職が入力されました。", true, true, false, nullptr, ""},
    {field::kCardHistory, "年賀状履歴", 250, "不正な年賀状の記録が入力されました。", true, false, false, "X-NORTEA-CARD-HISTORY", ""},
    {field::kCardNotes, "年賀状メモ", 250, "不正な年賀状のメモが入力されました。", true, false, false, "X-NORTEA-CARD-NOTE", ""},
    // Wide enough for what phones and web address books write.
    {field::kUid, "UID", 255, nullptr, false, false, false, nullptr, ""},
}};
// clang-format on

namespace fieldcatalogue {

constexpr bool IndicesInOrder()
{
    for (std::size_t i = 0; i < kFieldCatalogue.size(); ++i)
        if (kFieldCatalogue[i].index != static_cast<int>(i))
            return false;
    return true;
}
static_assert(IndicesInOrder(), "a field's row is at its index");

constexpr const FieldInfo& Info(int index)
{
    return kFieldCatalogue[static_cast<std::size_t>(index)];
}

// How many fields of [begin, end) pass `keep`.
template <typename Keep> constexpr std::size_t Count(int begin, int end, Keep keep)
{
    std::size_t n = 0;
    for (int i = begin; i < end; ++i)
        n += keep(Info(i)) ? 1 : 0;
    return n;
}

// The indices of the fields of [begin, end) that pass `keep`, in index order; N is
// their Count.
template <std::size_t N, typename Keep> constexpr std::array<field::Index, N> Filter(int begin, int end, Keep keep)
{
    std::array<field::Index, N> out {};
    std::size_t n = 0;
    for (int i = begin; i < end; ++i)
        if (keep(Info(i)))
            out[n++] = static_cast<field::Index>(i);
    return out;
}

constexpr bool OnForm(const FieldInfo& f)
{
    return f.refusal != nullptr;
}
constexpr bool Searchable(const FieldInfo& f)
{
    return f.searchable;
}
constexpr bool Insertable(const FieldInfo& f)
{
    return f.insertable;
}

} // namespace fieldcatalogue

// The fields of the input form in the order they are stored.
inline constexpr auto kFormFields
    = fieldcatalogue::Filter<fieldcatalogue::Count(0, field::kSchemaEnd, fieldcatalogue::OnForm)>(
        0, field::kSchemaEnd, fieldcatalogue::OnForm);
// The fields the search dialog offers after "（全項目）", in its order.
inline constexpr auto kSearchableFields
    = fieldcatalogue::Filter<fieldcatalogue::Count(0, field::kSchemaEnd, fieldcatalogue::Searchable)>(
        0, field::kSchemaEnd, fieldcatalogue::Searchable);
// The fields the mail composer's insert menu offers, in its order.
inline constexpr auto kInsertableFields
    = fieldcatalogue::Filter<fieldcatalogue::Count(0, field::kSchemaEnd, fieldcatalogue::Insertable)>(
        0, field::kSchemaEnd, fieldcatalogue::Insertable);

// The order of a list nobody sorted otherwise: by reading, then by name.
inline constexpr const char* kDefaultOrder = "カナ, 名前";
// The records that print and mail as the sender: marked sender and to be printed.
inline constexpr const char* kSenderCondition = "宛名区分='1' and 印字区分='1'";

} // namespace nrt
