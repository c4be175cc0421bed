// The input form's rules without its window: the order of the stored values and the
// refusal of each, the dates written with a record, the birthday and the age, the
// postal-code hyphen and the mail address test.
#include "settings/RecordForm.h"

#include "db/FieldDefinition.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::recordform;
using namespace nrt::field;
using nrt::test::S;
using nrt::test::U;

namespace {

platform::LocalTime Day(int y, int m, int d)
{
    platform::LocalTime t;
    t.year = y;
    t.month = m;
    t.day = d;
    return t;
}

// A full set of values, each within its field's width.
Values Sample()
{
    Values v;
    v[kSender] = "0";
    v[kPrintMark] = "1";
    v[kName] = S("山田太郎");
    v[kKana] = S("ﾔﾏﾀﾞﾀﾛｳ");
    v[kHonorific] = S("様");
    v[kGender] = S("男");
    v[kBirthday] = "H01/01/08";
    v[kPostalCode] = "100-0013";
    v[kPrefecture] = S("東京都");
    v[kAddress1] = S("千代田区霞が関１－２");
    v[kAddress2] = S("霞ビル３階");
    v[kPhone] = "03-1234-5678";
    v[kFax] = "03-1234-5679";
    v[kMobile] = "090-1234-5678";
    v[kMail] = "taro@example.jp";
    v[kHomePage] = "https://example.jp/";
    v[kCategory] = S("友人");
    v[kSubcategory] = S("学校");
    v[kNote1] = S("備考その一");
    v[kNote2] = S("備考その二");
    return v;
}

// The default schema without field `skip` (-1: all of them).
void CreateTableWithout(AddressTable& db, int skip)
{
    FieldDefinition fields;
    for (int i = 0; i < static_cast<int>(kDefaultSchema.size()); ++i) {
        if (i == skip)
            continue;
        FieldDef d;
        d.name = DefaultFieldName(i);
        d.width = kDefaultSchema[static_cast<std::size_t>(i)].width;
        ASSERT_EQ(fields.AddField(d), FieldError::kNone);
    }
    ASSERT_EQ(db.DefineFields(fields), RecordError::kNone);
}

std::string Stored(const AddressTable& db, int record, const char* utf8Field)
{
    const char* v = db.GetValueByName(S(utf8Field), record);
    return v ? v : "<none>";
}

} // namespace

TEST(RecordForm, ItemsAreStoredInTheirFieldsWithTheDates)
{
    AddressTable db;
    db.CreateDefaultTable();
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(""), SelectResult::kNothingSelected);

    const SaveResult r = SaveValues(rec, -1, Sample(), "", Day(2026, 3, 9));
    ASSERT_EQ(r.code, SaveCode::kSaved);
    EXPECT_EQ(r.position, -1);
    ASSERT_EQ(db.GetRecordCount(), 1);
    const Values v = Sample();
    for (const int i : kFormFields) {
        const std::string expected = i == kBirthday ? std::string("1989/01/08") : v[static_cast<std::size_t>(i)];
        EXPECT_EQ(U(Stored(db, 0, fieldcatalogue::Info(i).name)), U(expected)) << i;
    }
    EXPECT_EQ(Stored(db, 0, "登録日"), "2026/03/09");
    EXPECT_EQ(Stored(db, 0, "更新日"), "2026/03/09");

    // Editing keeps the registration date and the fields the form does not show.
    EXPECT_EQ(db.ReadRecord(0), RecordError::kNone);
    EXPECT_EQ(db.SetValueByName(S("顔写真"), "face.bmp"), RecordError::kNone);
    EXPECT_EQ(db.SetValueByName(S("小分類２"), S("その他")), RecordError::kNone);
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    ASSERT_EQ(rec.Select(""), SelectResult::kSelected);
    Values edited = Sample();
    edited[kName] = S("山田次郎");
    edited[kBirthday] = "";
    const SaveResult e = SaveValues(rec, 0, edited, "1989/01/08", Day(2026, 4, 1));
    ASSERT_EQ(e.code, SaveCode::kSaved);
    EXPECT_EQ(e.position, 0);
    ASSERT_EQ(db.GetRecordCount(), 1);
    EXPECT_EQ(U(Stored(db, 0, "名前")), "山田次郎");
    EXPECT_EQ(Stored(db, 0, "生年月日"), "");
    EXPECT_EQ(Stored(db, 0, "登録日"), "2026/03/09");
    EXPECT_EQ(Stored(db, 0, "更新日"), "2026/04/01");
    EXPECT_EQ(Stored(db, 0, "顔写真"), "face.bmp");
    EXPECT_EQ(U(Stored(db, 0, "小分類２")), "その他");
}

TEST(RecordForm, EachItemIsRefusedWithItsOwnMessageAndNothingIsWritten)
{
    const char* const messages[] = {
        "不正な宛名が入力されました。",
        "不正な印字が入力されました。",
        "不正な名前が入力されました。",
        "不正なカナが入力されました。",
        "不正な敬称が入力されました。",
        "不正な性別が入力されました。",
        "不正な生年月日が入力されました。",
        "不正な郵便番号が入力されました。",
        "不正な都道府県が入力されました。",
        "不正な住所が入力されました。",
        "不正な住所が入力されました。",
        "不正な電話番号が入力されました。",
        "不正なＦＡＸ番号が入力されました。",
        "不正な携帯番号が入力されました。",
        "不正なメールが入力されました。",
        "不正なＨＰアドレスが入力されました。",
        "不正な分類が入力されました。",
        "不正な分類が入力されました。",
        "不正な備考が入力されました。",
        "不正な備考が入力されました。",
        "不正な連名が入力されました。",
        "不正な敬称が入力されました。",
        "不正な連名が入力されました。",
        "不正な敬称が入力されました。",
        "不正な連名が入力されました。",
        "不正な敬称が入力されました。",
        "不正な会社名が入力されました。",
        "不正な部署が入力されました。",
        "不正な役職が入力されました。",
        "不正な年賀状の記録が入力されました。",
        "不正な年賀状のメモが入力されました。",
    };
    static_assert(std::size(messages) == kFormFields.size());
    for (std::size_t i = 0; i < kFormFields.size(); ++i)
        EXPECT_EQ(U(RefusalMessage(kFormFields[i])), messages[i]) << i;

    // A table without the item's field refuses it; so does a value one byte too long.
    // Either way the items after it are not looked at and the record stays as it was.
    for (const int item : kFormFields) {
        if (item >= kJointName1)
            break;
        SCOPED_TRACE(fieldcatalogue::Info(item).name);
        for (int way = 0; way < 2; ++way) {
            AddressTable db;
            const int schemaIndex = [&] {
                for (int f = 0; f < static_cast<int>(kDefaultSchema.size()); ++f)
                    if (DefaultFieldName(f) == SchemaFieldName(item))
                        return f;
                return -1;
            }();
            ASSERT_GE(schemaIndex, 0);
            Values v = Sample();
            if (way == 0) {
                CreateTableWithout(db, schemaIndex);
            } else {
                if (item == kSender || item == kPrintMark || item == kGender || item == kBirthday)
                    continue; // check boxes, a fixed list and a date formed by the program
                db.CreateDefaultTable();
                const auto width
                    = static_cast<std::size_t>(kDefaultSchema[static_cast<std::size_t>(schemaIndex)].width);
                v[static_cast<std::size_t>(item)] = std::string(width + 1, '7');
            }
            // One record to edit, and a later item made too long as well: the first wins.
            // A table without 名前 keeps the record without the name.
            const bool withoutName = item == kName && way == 0;
            db.ClearCurrent();
            EXPECT_EQ(db.SetValueByName(SchemaFieldName(kName), "before"),
                withoutName ? RecordError::kNoField : RecordError::kNone);
            ASSERT_EQ(db.PostRecord(), RecordError::kNone);
            if (item != kNote2)
                v[kNote2] = std::string(101, 'x');
            RecordSet rec;
            rec.Attach(&db);
            ASSERT_EQ(rec.Select(""), SelectResult::kSelected);
            for (int position : { -1, 0 }) {
                const SaveResult r = SaveValues(rec, position, v, "", Day(2026, 1, 1));
                EXPECT_EQ(r.code, SaveCode::kRefused) << "way " << way << " position " << position;
                EXPECT_EQ(r.refused, item) << "way " << way << " position " << position;
                EXPECT_EQ(db.GetRecordCount(), 1);
                EXPECT_EQ(Stored(db, 0, "名前"), item == kName && way == 0 ? "<none>" : "before");
            }
            EXPECT_EQ(fieldcatalogue::Info(item).focusOnRefusal, item >= kCategory);
        }
    }
}

// The items of the fields after the 24: a 24-field table takes them (gaining the
// fields only for a value), a table of other fields saves without them while they
// are empty and refuses a value it cannot keep.
TEST(RecordForm, ItemsOfTheExtendedFields)
{
    for (const int item : kFormFields) {
        if (item < kJointName1)
            continue;
        SCOPED_TRACE(fieldcatalogue::Info(item).name);
        EXPECT_TRUE(fieldcatalogue::Info(item).focusOnRefusal);
        const auto width
            = static_cast<std::size_t>(kExtendedSchema[static_cast<std::size_t>(item - kJointName1)].width);

        AddressTable db;
        db.CreateDefaultTable();
        RecordSet rec;
        rec.Attach(&db);
        ASSERT_EQ(rec.Select(""), SelectResult::kNothingSelected);
        Values v = Sample();
        ASSERT_EQ(SaveValues(rec, -1, v, "", Day(2026, 1, 1)).code, SaveCode::kSaved);
        EXPECT_EQ(db.GetFieldCount(), 24);
        v[static_cast<std::size_t>(item)] = std::string(width + 1, '7');
        ASSERT_EQ(rec.Select(""), SelectResult::kSelected);
        const SaveResult refused = SaveValues(rec, 0, v, "", Day(2026, 1, 1));
        EXPECT_EQ(refused.code, SaveCode::kRefused);
        EXPECT_EQ(refused.refused, item);
        EXPECT_EQ(db.GetFieldCount(), 24);
        v[static_cast<std::size_t>(item)] = std::string(width, '7');
        ASSERT_EQ(SaveValues(rec, 0, v, "", Day(2026, 1, 1)).code, SaveCode::kSaved);
        EXPECT_EQ(db.GetFieldCount(), 35);
        EXPECT_EQ(Stored(db, 0, fieldcatalogue::Info(item).name), std::string(width, '7'));

        AddressTable other;
        CreateTableWithout(other, 23);
        RecordSet otherRec;
        otherRec.Attach(&other);
        ASSERT_EQ(otherRec.Select(""), SelectResult::kNothingSelected);
        EXPECT_EQ(SaveValues(otherRec, -1, Sample(), "", Day(2026, 1, 1)).code, SaveCode::kSaved);
        const SaveResult kept = SaveValues(otherRec, -1, v, "", Day(2026, 1, 1));
        EXPECT_EQ(kept.code, SaveCode::kRefused);
        EXPECT_EQ(kept.refused, item);
        EXPECT_EQ(other.GetRecordCount(), 1);
    }
}

TEST(RecordForm, AnEditedRowThatIsGoneIsNotAddedAsANewRecord)
{
    AddressTable db;
    db.CreateDefaultTable();
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(""), SelectResult::kNothingSelected);
    const SaveResult r = SaveValues(rec, 3, Sample(), "", Day(2026, 1, 1));
    EXPECT_EQ(r.code, SaveCode::kNoSuchRecord);
    EXPECT_EQ(db.GetRecordCount(), 0);
    Values v;
    EXPECT_FALSE(ReadValues(rec, 0, v));
    EXPECT_FALSE(ReadValues(rec, -1, v));
}

TEST(RecordForm, ReadValuesTakesEveryItemOfTheRow)
{
    AddressTable db;
    db.CreateDefaultTable();
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(""), SelectResult::kNothingSelected);
    ASSERT_EQ(SaveValues(rec, -1, Sample(), "", Day(2026, 1, 1)).code, SaveCode::kSaved);
    ASSERT_EQ(rec.Select(""), SelectResult::kSelected);
    Values v;
    ASSERT_TRUE(ReadValues(rec, 0, v));
    Values expected = Sample();
    expected[kBirthday] = "1989/01/08";
    EXPECT_EQ(v, expected);
}

TEST(RecordForm, Birthday)
{
    struct Case {
        const char* stored;
        bool era;
        const char* shown;
    } show[] = {
        { "1989/01/08", true, "H01/01/08" }, { "1989/01/08", false, "1989/01/08" }, { "1989/1/8", false, "1989/01/08" },
        { "", true, "" }, { "S50.1.2", true, "S50.1.2" }, // not a date the program reads: shown as stored
    };
    for (const Case& c : show)
        EXPECT_EQ(BirthdayToShow(c.stored, c.era), c.shown) << c.stored << " " << c.era;

    struct Store {
        const char* shown;
        const char* loaded;
        const char* stored;
    } store[] = {
        { "H01/01/08", "", "1989/01/08" }, { "h1/1/8", "", "1989/01/08" }, { "1989/01/08", "1989/01/08", "1989/01/08" },
        { "", "1989/01/08", "" }, { "2001/02/30", "", "" }, // no such day
        { "S50.1.2", "S50.1.2", "S50.1.2" }, // loaded so and left alone: kept
        { "S50.1.3", "S50.1.2", "" }, // typed: the form's rule
    };
    for (const Store& c : store)
        EXPECT_EQ(BirthdayToStore(c.shown, c.loaded), c.stored) << c.shown << " / " << c.loaded;
}

TEST(RecordForm, Age)
{
    struct Case {
        const char* birthday;
        int today;
        int age;
    } cases[] = {
        { "2000/01/01", 20260101, 26 },
        { "2000/01/01", 20251231, 25 },
        { "2000/02/29", 20250228, 24 },
        { "2000/02/29", 20250301, 25 },
        { "H01/01/08", 20190107, 29 },
        { "H01/01/08", 20190108, 30 },
        { "2026/01/01", 20260101, 0 },
        { "2026/01/02", 20260101, -1 }, // after today
        { "abc", 20260101, -1 },
        { "", 20260101, -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(AgeYears(c.birthday, c.today), c.age) << c.birthday << " " << c.today;
    EXPECT_EQ(TodayNumber(Day(2026, 3, 9)), 20260309);
    EXPECT_EQ(DateText(Day(2026, 3, 9)), "2026/03/09");
}

TEST(RecordForm, PostalCodeHyphen)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        { "1234567", "123-4567" }, { "123-4567", "123-4567" }, { "1234", "123-4" }, { "123", "123" },
        { "12345678", "12345678" }, // 8 bytes: left alone
        { "", "" }, { "abc\x82\x50", "abc-\x82\x50" }, // abc１
        { "ab\x82\x50\x82\x51", "ab\x82\x50\x82\x51" }, // ab１２: "-" would split １
    };
    for (const Case& c : cases)
        EXPECT_EQ(PostalCodeWithHyphen(c.in), c.out) << c.in;
}

TEST(RecordForm, MailAddress)
{
    struct Case {
        const char* address;
        bool usable;
    } cases[] = {
        { "taro@example.jp", true }, { "a@b", true }, { "a@b@", true }, // only the first at sign counts
        { "@example.jp", false }, { "taro@", false }, { "taro.example.jp", false }, { "", false },
        { "x\x81\x40y", false }, // the second byte of "　" is no at sign
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsUsableMailAddress(c.address), c.usable) << c.address;
}

// Only a web address reaches the browser and only one plain address the mail program:
// a record's text must never open a local file, run a script or attach a file.
TEST(RecordForm, LinksTheButtonsMayOpen)
{
    struct Case {
        const char* typed;
        const char* opened; // "" refused
    } web[] = {
        { "https://example.jp/a?b=1#c", "https://example.jp/a?b=1#c" },
        { "http://example.jp", "http://example.jp" },
        { "HTTPS://Example.jp", "HTTPS://Example.jp" },
        { "www.example.jp", "https://www.example.jp" },
        { "www.example.jp/a", "https://www.example.jp/a" },
        { "localhost:8080/a", "https://localhost:8080/a" },
        { "\x93\xfa\x96\x7b.jp", "https://\x93\xfa\x96\x7b.jp" }, // 日本.jp
        { "file:///etc/passwd", "" },
        { "FILE:/etc/passwd", "" },
        { "smb://server/share", "" },
        { "javascript:alert(1)", "" },
        { "nortea-x:run", "" },
        { "mailto:a@example.jp", "" },
        { "/etc/passwd", "" },
        { "~/a", "" },
        { "./a", "" },
        { "//server/share", "" },
        { "\\\\server\\share", "" },
        { "http:/etc/passwd", "" },
        { "https://", "" },
        { "https:///etc/passwd", "" },
        { "https://example.jp/a b", "" },
        { "https://example.jp\n", "" },
        { "", "" },
    };
    for (const Case& c : web)
        EXPECT_EQ(WebLinkToOpen(c.typed), c.opened) << c.typed;

    Case mail[] = {
        { "taro@example.jp", "mailto:taro@example.jp" },
        { "taro.yamada+nenga@example.co.jp", "mailto:taro.yamada+nenga@example.co.jp" },
        { "a@example.jp?attach=/etc/passwd", "" },
        { "a@example.jp?subject=x", "" },
        { "a@example.jp%3Fattach=/etc/passwd", "" },
        { "a@example.jp,b@example.jp", "" },
        { "a@example.jp;b@example.jp", "" },
        { "a@example.jp&body=x", "" },
        { "a@b@example.jp", "" },
        { "a @example.jp", "" },
        { "a@example.jp\r\nBcc: x@example.jp", "" },
        { "mailto:a@example.jp", "" },
        { "\"a\"@example.jp", "" },
        { "taro@", "" },
        { "", "" },
    };
    for (const Case& c : mail)
        EXPECT_EQ(MailLinkToOpen(c.typed), c.opened) << c.typed;
    // The refusals quote the value the user has to mend.
    EXPECT_NE(WebLinkRefusal("file:///etc/passwd").find("file:///etc/passwd"), std::string::npos);
    EXPECT_NE(MailLinkRefusal("a@b?attach=x").find("a@b?attach=x"), std::string::npos);
}
