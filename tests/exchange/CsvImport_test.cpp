// CSV import: what a file adds to the table, every refusal with its message, and that
// a refused file leaves the table and the category lists untouched.
#include "exchange/CsvImport.h"

#include "ExchangeFixture.h"
#include "db/LineList.h"

#include <gtest/gtest.h>

using namespace nrt;
using nrt::platform::MsgResult;
using nrt::test::ReadAll;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

class ImportTest : public nrt::test::ExchangeFixture {
protected:
    // Writes the UTF-8 text as CP932 into the documents folder and imports it.
    CsvImport::Result Import(const std::string& utf8Content, const char* name = "in.csv")
    {
        WriteAll(Docs(name), S(utf8Content));
        CsvImport import(*settings, table);
        const CsvImport::Result result = import.Run(S(name), &observer);
        path = import.Path();
        return result;
    }

    std::string Value(const char* field, int record) const { return U(table.Value(table.FindField(S(field)), record)); }

    std::vector<std::string> Categories(const char* file) const
    {
        LineList lines;
        static_cast<void>(lines.LoadText(UserPath(file))); // missing: no names
        std::vector<std::string> out;
        for (int i = 0; i < lines.GetCount(); ++i)
            out.push_back(U(lines.GetLine(i)));
        return out;
    }

    struct Watch : CsvImport::Observer {
        void Busy(bool on) override { busy += on ? 1 : -1; }
        void CategoriesChanged() override { ++categories; }
        void Imported() override { ++imported; }
        void Progress(long long done, long long total) override { last = done, all = total; }
        int busy = 0, categories = 0, imported = 0;
        long long last = -1, all = -1;
    } observer;
    std::string path;
};

} // namespace

TEST_F(ImportTest, TwoFieldsMakeMarkedAddressees)
{
    ASSERT_EQ(Import("名前,メール\r\n山田,yamada@example.jp\r\n佐藤,\r\n"), CsvImport::Result::kImported);
    ASSERT_EQ(table.GetRecordCount(), 2);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(Value("宛名区分", k), "0");
        EXPECT_EQ(Value("印字区分", k), "1");
        for (int f = 0; f < table.GetFieldCount(); ++f) {
            if (f != field::kSender && f != field::kPrintMark && f != field::kName && f != field::kMail) {
                EXPECT_TRUE(table.Value(f, k).empty()) << f;
            }
        }
    }
    EXPECT_EQ(Value("名前", 0), "山田");
    EXPECT_EQ(Value("メール", 0), "yamada@example.jp");
    EXPECT_EQ(Value("名前", 1), "佐藤");
    EXPECT_EQ(Value("メール", 1), "");

    ASSERT_EQ(host.shown.size(), 2u);
    // Which file, how many and into which book: the main user's.
    EXPECT_EQ(U(host.shown[0].text),
        "「in.csv」の宛名 2 件を、住所録「メインユーザー」に取り込みます。\nデータを取り込みます。よろしいですか？");
    EXPECT_EQ(U(host.shown[1].text), "正常にインポートされました。\n（取り込んだデータ：2件）");
    EXPECT_EQ(U(host.shown[1].caption), "住所録");
    EXPECT_EQ(settings->GetPathEntry(1), Docs("in.csv"));
    EXPECT_EQ(observer.busy, 0);
    EXPECT_EQ(observer.imported, 1);
    EXPECT_EQ(observer.categories, 0);
    EXPECT_EQ(observer.last, 4);
    EXPECT_EQ(observer.all, 4);
}

TEST_F(ImportTest, DatesColumnsAndFlagsFromTheFile)
{
    ASSERT_EQ(Import("\"カナ\",生年月日,登録日,更新日,宛名区分,印字区分\r\n"
                     "ﾔﾏﾀﾞ,H01/01/08,2024/1/5,s64/01/07,1,0\r\n"
                     "ｻﾄｳ,,,,,\r\n"),
        CsvImport::Result::kImported);
    ASSERT_EQ(table.GetRecordCount(), 2);
    EXPECT_EQ(Value("カナ", 0), "ﾔﾏﾀﾞ");
    EXPECT_EQ(Value("生年月日", 0), "1989/01/08");
    EXPECT_EQ(Value("登録日", 0), "2024/01/05");
    EXPECT_EQ(Value("更新日", 0), "1989/01/07");
    // The file's own flags win; empty cells keep the addressee marked for printing.
    EXPECT_EQ(Value("宛名区分", 0), "1");
    EXPECT_EQ(Value("印字区分", 0), "0");
    EXPECT_EQ(Value("宛名区分", 1), "0");
    EXPECT_EQ(Value("印字区分", 1), "1");
    EXPECT_EQ(Value("生年月日", 1), "");
}

TEST_F(ImportTest, ReadingsBecomeHalfWidthKatakana)
{
    // Only the reading changes: the name keeps its kana as written.
    ASSERT_EQ(Import("名前,カナ\r\n"
                     "やまだ,やまだ　たろう\r\n"
                     "矢野,ヤノ　イチロウ\r\n"
                     "安田,ﾔｽﾀﾞ ﾊﾅｺ\r\n"
                     "長い,ながいながいながいながいながいなが\r\n"),
        CsvImport::Result::kImported);
    ASSERT_EQ(table.GetRecordCount(), 4);
    const char* expected[][2] = {
        { "やまだ", "ﾔﾏﾀﾞ ﾀﾛｳ" }, { "矢野", "ﾔﾉ ｲﾁﾛｳ" }, { "安田", "ﾔｽﾀﾞ ﾊﾅｺ" },
        { "長い", "ﾅｶﾞｲﾅｶﾞｲﾅｶﾞｲﾅｶﾞｲﾅｶﾞｲﾅｶﾞ" }, // 34 bytes as written fit as 23
    };
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Value("名前", k), expected[k][0]);
        EXPECT_EQ(Value("カナ", k), expected[k][1]);
    }
}

TEST_F(ImportTest, RefusalsLeaveEverythingAsItWas)
{
    const std::string longHeader = [] {
        std::string h;
        for (int i = 0; i < 200; ++i)
            h += "名前,"; // 1000 bytes in CP932: the header check ends inside the header
        return h + "住所３";
    }();
    const std::string eightyOne(81, 'x');
    struct Case {
        std::string content;
        std::string message;
    } cases[] = {
        { "名前,住所３\r\n山田,x\r\n", "フィールド「住所３」は対象外のデータです。" },
        { "名前,,カナ\r\n山田,,ﾔﾏﾀﾞ\r\n", "フィールド「」は対象外のデータです。" },
        { "名前\r\n山田\r\n佐藤\r\n", "" }, // imported; the next line is refused instead
        { "名前,生年月日\r\n山田,2001/01/01\r\n佐藤,2001/13/40\r\n",
            "取り込みに失敗しました。 3行目：[生年月日]\n不正な日付です。" },
        { "名前,生年月日\r\n山田,2001/02/30\r\n", "取り込みに失敗しました。 2行目：[生年月日]\n不正な日付です。" },
        { "名前,大分類\r\n山田,友人?\r\n", "取り込みに失敗しました。 2行目：[大分類]\n不正な文字が含まれています。" },
        { "名前,小分類\r\n山田,a'b\r\n", "取り込みに失敗しました。 2行目：[小分類]\n不正な文字が含まれています。" },
        { "名前,カナ\r\n山田,ﾔﾏﾀﾞ\r\n" + std::string(31, 'a') + ",x\r\n",
            "取り込みに失敗しました。 3行目：[名前]\nサイズオーバーです。" },
        { longHeader + "\r\n山田\r\n", "取り込みに失敗しました。 2行目：[住所３]\n該当のフィールド名は存在しません。" },
        { "名前", "不正なヘッダー情報です。" },
        { std::string(1200, '"'), "不正なヘッダー情報です。" },
        { eightyOne + ",名前\r\nx\r\n", "ヘッダサイズがオーバーしました。" },
        { "", "データがありません。" },
        { "名前,カナ\r\n", "データがありません。" },
    };
    int expectedRecords = 0;
    for (const Case& c : cases) {
        host.shown.clear();
        const int before = table.GetRecordCount();
        const CsvImport::Result result = Import(c.content);
        if (c.message.empty()) {
            EXPECT_EQ(result, CsvImport::Result::kImported);
            expectedRecords = table.GetRecordCount();
            continue;
        }
        EXPECT_NE(result, CsvImport::Result::kImported) << c.message;
        EXPECT_EQ(table.GetRecordCount(), before) << c.message;
        EXPECT_EQ(table.GetRecordCount(), expectedRecords);
        ASSERT_FALSE(host.shown.empty());
        EXPECT_EQ(U(host.shown.back().text), c.message);
        EXPECT_EQ(U(host.shown.back().caption), "注意");
        EXPECT_EQ(observer.busy, 0) << c.message;
    }
    EXPECT_EQ(expectedRecords, 2);
    // No category list was written by any of them.
    EXPECT_FALSE(platform::fs::Exists(UserPath("nrt_ms01.nms")));
    EXPECT_FALSE(platform::fs::Exists(UserPath("nrt_ms02.nms")));
}

TEST_F(ImportTest, FileNameChecksAndTheQuestion)
{
    CsvImport import(*settings, table);
    EXPECT_EQ(import.Run(""), CsvImport::Result::kNoFileName);
    EXPECT_EQ(U(host.LastText()), "ファイルの場所を入力して下さい。");
    EXPECT_EQ(import.Run(S("nothing.csv")), CsvImport::Result::kFileMissing);
    EXPECT_EQ(U(host.LastText()), "ファイルが見つかりません。");
    EXPECT_EQ(import.Path(), Docs("nothing.csv"));

    // A bare name without extension is read as NAME.CSV in the documents folder.
    WriteAll(Docs("meibo.CSV"), S("名前\r\n山田\r\n"));
    host.Answer(MsgResult::No);
    EXPECT_EQ(import.Run("meibo"), CsvImport::Result::kDeclined);
    EXPECT_EQ(import.Path(), Docs("meibo.CSV"));
    EXPECT_EQ(table.GetRecordCount(), 0);
    EXPECT_EQ(import.Run("meibo"), CsvImport::Result::kImported);
    EXPECT_EQ(table.GetRecordCount(), 1);

    // A path with a folder is taken as it is; a lower-case extension on disk is found.
    WriteAll(dir.File("list.csv"), S("名前\r\n佐藤\r\n"));
    EXPECT_EQ(import.CompletePath(dir.File("list")), dir.File("list.csv"));
    EXPECT_EQ(import.CompletePath(dir.File("other")), dir.File("other.CSV"));
    EXPECT_EQ(import.CompletePath(dir.File("x.txt")), dir.File("x.txt"));
}

TEST_F(ImportTest, NewCategoriesJoinTheListsUpToSixtyFour)
{
    WriteAll(UserPath("nrt_ms02.nms"), S("取引先\r\n"));
    ASSERT_EQ(Import("名前,大分類,小分類\r\n山田,友人,取引先\r\n佐藤,会社,趣味\r\n田中,友人,\r\n"),
        CsvImport::Result::kImported);
    EXPECT_EQ(Categories("nrt_ms01.nms"), (std::vector<std::string> { "友人", "会社" }));
    EXPECT_EQ(Categories("nrt_ms02.nms"), (std::vector<std::string> { "取引先", "趣味" }));
    EXPECT_EQ(observer.categories, 1);

    // 63 names: one new name fits, a second one in the same file does not.
    std::string names;
    for (int i = 0; i < 63; ++i)
        names += "分類" + std::to_string(i) + "\r\n";
    WriteAll(UserPath("nrt_ms01.nms"), S(names));
    const std::string before = ReadAll(UserPath("nrt_ms01.nms"));
    const int records = table.GetRecordCount();
    EXPECT_EQ(Import("名前,大分類\r\n山田,新一\r\n佐藤,分類5\r\n田中,新二\r\n"), CsvImport::Result::kRowRefused);
    EXPECT_EQ(U(host.LastText()), "取り込みに失敗しました。 4行目：[大分類]\n設定数が６４を超えました。");
    EXPECT_EQ(ReadAll(UserPath("nrt_ms01.nms")), before);
    EXPECT_EQ(table.GetRecordCount(), records);

    EXPECT_EQ(Import("名前,大分類\r\n山田,新一\r\n佐藤,新一\r\n"), CsvImport::Result::kImported);
    EXPECT_EQ(Categories("nrt_ms01.nms").size(), 64u);
    EXPECT_EQ(Categories("nrt_ms01.nms").back(), "新一");
}

TEST_F(ImportTest, ScanHeaderRules)
{
    struct Case {
        std::string bytes; // UTF-8
        CsvImport::HeaderResult code;
        std::string name;
    } cases[] = {
        { "名前,カナ\r\n", CsvImport::HeaderResult::kHeaderOk, "カナ" },
        { "\"名前\",\"カナ\"\n", CsvImport::HeaderResult::kHeaderOk, "カナ" },
        { "\"名前,カナ\"\r", CsvImport::HeaderResult::kHeaderOk, "カナ" }, // quotes are only dropped here
        { "名前,住所３\r\n", CsvImport::HeaderResult::kHeaderNotAField, "住所３" },
        { "名前,", CsvImport::HeaderResult::kHeaderOk, "" }, // the first name ended; the rest is not read
        { "名前", CsvImport::HeaderResult::kHeaderNoName, "名前" },
        { "\r\n", CsvImport::HeaderResult::kHeaderNotAField, "" },
        // "ソ" ends in the byte of "\": a double-byte character is one character.
        { "ソ,名前\r\n", CsvImport::HeaderResult::kHeaderNotAField, "ソ" },
    };
    for (const Case& c : cases) {
        std::string name;
        EXPECT_EQ(CsvImport::ScanHeader(S(c.bytes), table, name), c.code) << c.bytes;
        EXPECT_EQ(U(name), c.name) << c.bytes;
    }
}

// A full disk at the save: the import says so instead of succeeding, takes its records
// back out and leaves the category lists as they were.
TEST_F(ImportTest, AFailedSaveUndoesTheImportAndLeavesTheCategoryLists)
{
    WriteAll(UserPath("nrt_ms01.nms"), S("友人\r\n"));
    struct SaveWatch : CsvImport::Observer {
        explicit SaveWatch(AddressTable& t, std::string p)
            : table(t)
            , path(std::move(p))
        {
        }
        bool Commit() override
        {
            nrt::platform::fs::testing::FailWritesAfter(0);
            const bool saved = table.SaveTable(path) == TableError::kNone;
            nrt::platform::fs::testing::FailWritesAfter(-1);
            if (!saved)
                nrt::platform::Warn(S("保存に失敗しました。"));
            return saved;
        }
        void CategoriesChanged() override { ++categories; }
        AddressTable& table;
        std::string path;
        int categories = 0;
    } watch(table, UserPath("nrt.ndb"));
    table.ClearCurrent();
    EXPECT_EQ(table.SetValue(field::kName, S("元から")), RecordError::kNone);
    EXPECT_EQ(table.PostRecord(), RecordError::kNone);
    WriteAll(Docs("in.csv"), S("名前,大分類\r\n山田,会社\r\n"));
    CsvImport import(*settings, table);
    EXPECT_EQ(import.Run(S("in.csv"), &watch), CsvImport::Result::kTableSaveFailed);
    EXPECT_EQ(Shown(),
        (std::vector<std::string> {
            "「in.csv」の宛名 1 件を、住所録「メインユーザー」に取り込みます。\nデータを取り込みます。よろしいですか？",
            "保存に失敗しました。" }));
    EXPECT_EQ(Categories("nrt_ms01.nms"), std::vector<std::string> { "友人" });
    EXPECT_EQ(watch.categories, 0);
    EXPECT_EQ(import.ImportedCount(), 0);
    int live = 0;
    for (int k = 0; k < table.GetRecordCount(); ++k)
        live += !table.IsDeleted(k);
    EXPECT_EQ(live, 1);
}

// The category lists are saved before the records: a list that cannot be written is
// said, and the records are taken back out unsaved.
TEST_F(ImportTest, AnUnsavedCategoryListImportsNothing)
{
    ASSERT_TRUE(nrt::platform::fs::MakeDirs(UserPath("nrt_ms01.nms")));
    EXPECT_EQ(Import("名前,大分類\r\n山田,会社\r\n"), CsvImport::Result::kCategorySaveFailed);
    EXPECT_EQ(U(host.LastText()), "保存に失敗しました。");
    for (int k = 0; k < table.GetRecordCount(); ++k)
        EXPECT_TRUE(table.IsDeleted(k));
    EXPECT_EQ(observer.imported, 0);
    EXPECT_FALSE(nrt::platform::fs::Exists(UserPath("nrt.ndb")));
}

TEST_F(ImportTest, FilesAsSpreadsheetsAndPhonesWriteThem)
{
    struct Case {
        const char* what;
        std::string bytes; // as written to the file
        std::vector<std::vector<const char*>> records; // 名前, 住所１
        const char* closing;
    } cases[] = {
        { "a quoted line break stays in its cell",
            S("名前,住所１,電話番号\r\n\"霞\",\"霞が関\r\n２行目\",03-0000-0000\r\n佐藤,大手町,\r\n"),
            { { "霞", "霞が関　２行目" }, { "佐藤", "大手町" } },
            "正常にインポートされました。\n（取り込んだデータ：2件）\n（セル内の改行を全角スペースにしたセル：1個）" },
        { "empty lines and lines of commas are no records", S("名前,住所１\r\n\r\n山田,\r\n,\r\n\r\n佐藤,\r\n\r\n"),
            { { "山田", "" }, { "佐藤", "" } },
            "正常にインポートされました。\n（取り込んだデータ：2件）\n（取り込まなかった空の行：4行）" },
        { "UTF-8 with BOM", "\xEF\xBB\xBF名前,住所１\r\n山田,霞が関\r\n", { { "山田", "霞が関" } },
            "正常にインポートされました。\n（取り込んだデータ：1件）\n（UTF-8のファイルをShift-"
            "JISに変換して取り込みました。）" },
        // The wave dash of other systems is Shift-JIS's 0x8160 (shown as ～ here).
        { "UTF-8 without BOM, LF", "名前,住所１\nｱｲｳ,〜\n", { { "ｱｲｳ", "～" } },
            "正常にインポートされました。\n（取り込んだデータ：1件）\n（UTF-8のファイルをShift-"
            "JISに変換して取り込みました。）" },
        { "Shift-JIS header, UTF-8 rows", S("名前,住所１\r\n") + "山田,霞が関\r\n", { { "山田", "霞が関" } },
            "正常にインポートされました。\n（取り込んだデータ：1件）\n（UTF-8のファイルをShift-"
            "JISに変換して取り込みました。）" },
    };
    for (const Case& c : cases) {
        host.shown.clear();
        table.ClearRecords();
        WriteAll(Docs("in.csv"), c.bytes);
        CsvImport import(*settings, table);
        ASSERT_EQ(import.Run(S("in.csv")), CsvImport::Result::kImported) << c.what << ": " << Shown().back();
        ASSERT_EQ(table.GetRecordCount(), static_cast<int>(c.records.size())) << c.what;
        for (std::size_t k = 0; k < c.records.size(); ++k) {
            EXPECT_EQ(Value("名前", static_cast<int>(k)), c.records[k][0]) << c.what;
            EXPECT_EQ(Value("住所１", static_cast<int>(k)), c.records[k][1]) << c.what;
            EXPECT_EQ(Value("印字区分", static_cast<int>(k)), "1") << c.what;
        }
        EXPECT_EQ(Shown().back(), c.closing) << c.what;
    }
}

TEST_F(ImportTest, Utf8RefusalNamesTheLineAndColumnAndChangesNothing)
{
    // The third file line holds a character that Shift-JIS does not have; a quoted
    // line break before it moves it to the fourth.
    const std::string bytes = "\xEF\xBB\xBF名前,住所１\r\n\"山田\r\n太郎\",霞が関\r\n佐藤,\"𠮷野\"\r\n";
    WriteAll(Docs("in.csv"), bytes);
    CsvImport import(*settings, table);
    EXPECT_EQ(import.Run(S("in.csv")), CsvImport::Result::kRowRefused);
    EXPECT_EQ(table.GetRecordCount(), 0);
    EXPECT_EQ(Shown().back(), "取り込みに失敗しました。 4行目：[住所１]\nShift-JISにない文字が含まれています。");
    EXPECT_EQ(U(host.shown.back().caption), "注意");

    // A garbled header is no longer what a UTF-8 header gives.
    WriteAll(Docs("h.csv"), "名前,メール\r\n");
    EXPECT_EQ(import.CheckHeader(Docs("h.csv")), CsvImport::HeaderResult::kHeaderOk);
}
