// The field catalogue against what it feeds: a created table's schema, the search
// dialog's list, the composer's insert menu, the input form's storing order and its
// draft, and this program's own vCard properties.
#include "db/FieldCatalogue.h"

#include "db/AddressTable.h"
#include "db/MainList.h"
#include "exchange/VCardExport.h"
#include "mail/MailComposer.h"
#include "settings/RecordForm.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;

namespace {

// The table with every field of the schema: the 24 of a new table, then the rest as
// a table gains them.
void CreateWholeTable(AddressTable& db)
{
    db.CreateDefaultTable();
    ASSERT_EQ(db.ExtendSchema(field::kSchemaEnd), RecordError::kNone);
    ASSERT_EQ(db.GetFieldCount(), field::kSchemaEnd);
}

std::vector<std::string> Names(const auto& utf8List)
{
    return std::vector<std::string>(std::begin(utf8List), std::end(utf8List));
}

} // namespace

// Each row against the table built from the catalogue: the stored name (CP932), the
// width, and the index found again from the name.
TEST(FieldCatalogue, AgreesWithTheSchemaOfACreatedTable)
{
    AddressTable fresh;
    fresh.CreateDefaultTable();
    EXPECT_EQ(fresh.GetFieldCount(), field::kJointName1);
    AddressTable db;
    CreateWholeTable(db);
    std::set<std::string> seen;
    for (const FieldInfo& info : kFieldCatalogue) {
        SCOPED_TRACE(info.name);
        const int f = info.index;
        EXPECT_EQ(db.GetField(f).name, S(info.name));
        EXPECT_EQ(db.GetField(f).width, info.width);
        EXPECT_EQ(SchemaFieldName(f), S(info.name));
        EXPECT_EQ(db.FindField(SchemaFieldName(f)), f);
        EXPECT_EQ(U(SchemaFieldName(db.FindField(S(info.name)))), info.name);
        EXPECT_TRUE(seen.insert(info.name).second) << "named twice";
        if (f < field::kJointName1) {
            EXPECT_EQ(fresh.GetField(f).name, S(info.name));
            EXPECT_EQ(fresh.GetField(f).width, info.width);
            EXPECT_EQ(DefaultFieldName(f), S(info.name));
        } else {
            EXPECT_EQ(DefaultFieldName(f), "");
        }
        // A value of the full width is kept whole; one byte more is refused.
        db.ClearCurrent();
        const std::string whole(static_cast<std::size_t>(info.width), '7');
        EXPECT_EQ(db.SetValue(f, whole), RecordError::kNone);
        EXPECT_EQ(db.SetValue(f, whole + "7"), RecordError::kTooLong);
    }
    EXPECT_EQ(SchemaFieldName(field::kSchemaEnd), "");
    EXPECT_EQ(SchemaFieldName(-1), "");
}

// The lists the windows show, in the order they show them, each entry a field a
// table has.
TEST(FieldCatalogue, DerivedListsKeepTheOrdersTheWindowsShow)
{
    AddressTable db;
    CreateWholeTable(db);
    std::vector<std::string> form, own;
    for (const int f : kFormFields)
        form.push_back(fieldcatalogue::Info(f).name);
    for (const int f : kVCardOwnFields)
        own.push_back(fieldcatalogue::Info(f).name);
    const struct {
        const char* list;
        std::vector<std::string> names;
        std::vector<std::string> expected;
    } lists[] = {
        { "search dialog", Names(mainlist::kSearchFields),
            { "（全項目）", "名前", "カナ", "敬称", "性別", "生年月日", "郵便番号", "都道府県", "住所１", "住所２",
                "電話番号", "ＦＡＸ", "携帯番号", "メール", "ＨＰ", "大分類", "小分類", "備考１", "備考２", "更新日",
                "登録日", "連名１", "連名２", "連名３", "会社名", "部署", "役職" } },
        { "insert menu", Names(mailcompose::kInsertFields),
            { "名前", "カナ", "敬称", "性別", "生年月日", "郵便番号", "都道府県", "住所１", "住所２", "電話番号",
                "ＦＡＸ", "携帯番号", "メール", "ＨＰ", "大分類", "小分類", "備考１", "備考２" } },
        { "input form", form,
            { "宛名区分", "印字区分", "名前", "カナ", "敬称", "性別", "生年月日", "郵便番号", "都道府県", "住所１",
                "住所２", "電話番号", "ＦＡＸ", "携帯番号", "メール", "ＨＰ", "大分類", "小分類", "備考１", "備考２",
                "連名１", "連名１敬称", "連名２", "連名２敬称", "連名３", "連名３敬称", "会社名", "部署", "役職",
                "年賀状履歴", "年賀状メモ" } },
        { "own vCard properties", own,
            { "敬称", "小分類", "小分類２", "年賀状履歴", "年賀状メモ", "宛名区分", "印字区分", "登録日", "顔写真" } },
    };
    for (const auto& l : lists) {
        SCOPED_TRACE(l.list);
        EXPECT_EQ(l.names, l.expected);
        for (const std::string& name : l.names) {
            if (name != "（全項目）") {
                EXPECT_GE(db.FindField(S(name.c_str())), 0) << name;
            }
        }
    }
    for (std::size_t i = 1; i < mainlist::kSearchFields.size(); ++i)
        EXPECT_EQ(U(mainlist::SearchFieldName(static_cast<int>(i))), mainlist::kSearchFields[i]);
    for (std::size_t i = 0; i < mailcompose::kInsertFields.size(); ++i)
        EXPECT_EQ(U(mailcompose::FieldReference(static_cast<int>(i))),
            std::string("%") + mailcompose::kInsertFields[i] + "%");
    std::set<std::string> properties;
    for (const int f : kVCardOwnFields) {
        const std::string property = fieldcatalogue::Info(f).vCardProperty;
        EXPECT_TRUE(property.starts_with("X-NORTEA-")) << property;
        EXPECT_TRUE(properties.insert(property).second) << property;
    }
}

// The form holds its values by field, refuses with the catalogue's message, and its
// draft keeps one line a form field, in storing order, whatever the other slots hold.
TEST(FieldCatalogue, TheFormStoresAndDraftsByField)
{
    recordform::Values v;
    for (std::size_t f = 0; f < v.size(); ++f)
        v[f] = "v" + std::to_string(f);
    const std::string draft = recordform::DraftBytes(v);
    std::string expected;
    for (const int f : kFormFields)
        expected += "v" + std::to_string(f) + "\r\n";
    EXPECT_EQ(draft, expected);

    recordform::Values back;
    ASSERT_TRUE(recordform::ParseDraft(draft, back));
    for (std::size_t f = 0; f < back.size(); ++f) {
        const bool onForm = fieldcatalogue::Info(static_cast<int>(f)).refusal != nullptr;
        EXPECT_EQ(back[f], onForm ? v[f] : "") << f;
        EXPECT_EQ(recordform::RefusalMessage(static_cast<int>(f)).empty(), !onForm) << f;
    }
    EXPECT_FALSE(recordform::ParseDraft(draft + "extra\r\n", back));
    EXPECT_FALSE(recordform::ParseDraft(draft.substr(0, draft.size() - 2), back));
    EXPECT_EQ(U(recordform::RefusalMessage(field::kNote1)), "不正な備考が入力されました。");
    EXPECT_EQ(recordform::RefusalMessage(field::kSchemaEnd), "");
}
