// CSV export: the bytes of the file, the records of the list in its order, and every
// refusal with its message.
#include "exchange/CsvExport.h"

#include "ExchangeFixture.h"
#include "db/RecordSet.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace nrt;
using nrt::platform::MsgResult;
using nrt::test::ReadAll;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

class ExportTest : public nrt::test::ExchangeFixture {
protected:
    void SetUp() override { rec.Attach(&table); }

    void Add(const char* name, const char* mail, const char* kana = "", const char* sender = "0")
    {
        table.ClearCurrent();
        EXPECT_EQ(table.SetValue(field::kSender, sender), RecordError::kNone);
        EXPECT_EQ(table.SetValue(field::kPrintMark, "1"), RecordError::kNone);
        EXPECT_EQ(table.SetValue(field::kName, S(name)), RecordError::kNone);
        EXPECT_EQ(table.SetValue(field::kKana, S(kana)), RecordError::kNone);
        EXPECT_EQ(table.SetValue(field::kMail, S(mail)), RecordError::kNone);
        ASSERT_EQ(table.PostRecord(), RecordError::kNone);
    }

    CsvExport::Request Request(std::vector<const char*> fields, bool header = true, const char* name = "out.csv")
    {
        CsvExport::Request r;
        r.typedName = S(name);
        for (const char* f : fields)
            r.fields.push_back(S(f));
        r.header = header;
        return r;
    }

    RecordSet rec;
};

} // namespace

TEST_F(ExportTest, HeaderQuotesAndEmptyValues)
{
    Add("山田", "");
    Add("佐藤 \"ｻﾄｳ\", 花子", "a,b");
    ASSERT_EQ(rec.Select(std::string_view()), SelectResult::kSelected);
    CsvExport out(*settings);
    ASSERT_EQ(out.Run(Request({ "名前", "メール" }), rec), CsvExport::Result::kExported);
    EXPECT_EQ(out.Path(), Docs("out.csv"));
    // Built by hand: every value in quotes, quotes doubled, CR LF, Shift-JIS.
    const std::string expected
        = S("\"名前\",\"メール\"\r\n") + S("\"山田\",\"\"\r\n") + S("\"佐藤 \"\"ｻﾄｳ\"\", 花子\",\"a,b\"\r\n");
    EXPECT_EQ(ReadAll(Docs("out.csv")), expected);
    EXPECT_EQ(out.ExportedCount(), 2);
    EXPECT_EQ(settings->GetPathEntry(2), Docs("out.csv"));
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(U(host.shown[0].text), "データを出力します。よろしいですか？");
    EXPECT_EQ(U(host.shown[1].text), "正常にエクスポートされました。");
    EXPECT_EQ(U(host.shown[1].caption), "住所録");
}

// A large list goes to the file in pieces; the file holds every line whole, in order,
// in both encodings.
TEST_F(ExportTest, AListLongerThanOnePieceIsWrittenWhole)
{
    std::string lines;
    for (int i = 0; i < 6000; ++i) {
        const std::string name = "名前\"" + std::to_string(i) + "\"の人";
        const std::string mail = (i % 7 == 0 ? "=1+" : "") + std::to_string(i) + "@example.jp";
        Add(name.c_str(), mail.c_str());
        lines += S("\"名前\"\"" + std::to_string(i) + "\"\"の人\",\"" + (i % 7 == 0 ? "'=1+" : "") + std::to_string(i)
            + "@example.jp\"\r\n");
    }
    ASSERT_EQ(rec.Select(std::string_view()), SelectResult::kSelected);
    ASSERT_GT(lines.size(), 2u * 64 * 1024);
    CsvExport out(*settings);
    ASSERT_EQ(out.Run(Request({ "名前", "メール" }, false), rec), CsvExport::Result::kExported);
    EXPECT_EQ(ReadAll(Docs("out.csv")), lines);
    CsvExport::Request utf8 = Request({ "名前", "メール" }, false, "utf8.csv");
    utf8.utf8 = true;
    ASSERT_EQ(out.Run(utf8, rec), CsvExport::Result::kExported);
    EXPECT_EQ(ReadAll(Docs("utf8.csv")), "\xEF\xBB\xBF" + U(lines));
}

TEST_F(ExportTest, TheListsRecordsInItsOrderWithoutHeader)
{
    Add("山田", "y@example.jp", "ﾔﾏﾀﾞ");
    Add("阿部", "a@example.jp", "ｱﾍﾞ");
    Add("自分", "me@example.jp", "ｼﾞﾌﾞﾝ", "1");
    Add("佐藤", "s@example.jp", "ｻﾄｳ");
    ASSERT_EQ(rec.SetSort(S("カナ"), 0), SortError::kNone);
    ASSERT_EQ(rec.Select(S("宛名区分='0' and カナ<'ﾔ'")), SelectResult::kSelected);
    CsvExport out(*settings);
    ASSERT_EQ(out.Run(Request({ "メール", "名前", "住所３" }, false), rec), CsvExport::Result::kExported);
    // A name that is not a field gives an empty value.
    EXPECT_EQ(ReadAll(Docs("out.csv")), S("\"a@example.jp\",\"阿部\",\"\"\r\n\"s@example.jp\",\"佐藤\",\"\"\r\n"));
}

TEST_F(ExportTest, Refusals)
{
    Add("山田", "");
    ASSERT_EQ(rec.Select(std::string_view()), SelectResult::kSelected);
    CsvExport out(*settings);
    struct Case {
        CsvExport::Request request;
        std::vector<MsgResult> answers;
        CsvExport::Result result;
        const char* message;
    } cases[] = {
        { Request({ "名前" }, true, ""), {}, CsvExport::Result::kNoFileName, "保存する場所を入力して下さい。" },
        { Request({}), {}, CsvExport::Result::kNoFields, "転送項目を選択して下さい。" },
        { Request({ "名前" }), { MsgResult::No }, CsvExport::Result::kDeclined,
            "データを出力します。よろしいですか？" },
        { Request({ "名前" }), { MsgResult::Yes, MsgResult::No }, CsvExport::Result::kNotOverwritten,
            "既にファイルが存在します。上書きしてよろしいですか？" },
        { Request({ "名前" }, true, (dir.Path() + "/nofolder/x.csv").c_str()), {}, CsvExport::Result::kWriteFailed,
            "ファイルオープンに失敗しました。" },
    };
    WriteAll(Docs("out.csv"), "old");
    for (Case& c : cases) {
        for (MsgResult a : c.answers)
            host.Answer(a);
        EXPECT_EQ(out.Run(c.request, rec), c.result) << c.message;
        EXPECT_EQ(U(host.LastText()), c.message);
        EXPECT_EQ(ReadAll(Docs("out.csv")), "old");
    }
    // The overwrite question is a warning with No preselected.
    const auto overwrite = std::find_if(host.shown.begin(), host.shown.end(),
        [](const auto& m) { return U(m.text) == "既にファイルが存在します。上書きしてよろしいですか？"; });
    ASSERT_NE(overwrite, host.shown.end());
    EXPECT_EQ(U(overwrite->caption), "注意");
    EXPECT_EQ(overwrite->buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(overwrite->defaultButton, MsgResult::No);
    EXPECT_EQ(settings->GetPathEntry(2), "");
}

TEST_F(ExportTest, AFailedWriteKeepsTheOldFile)
{
    for (int i = 0; i < 200; ++i)
        Add("山田", "yamada@example.jp");
    ASSERT_EQ(rec.Select(std::string_view()), SelectResult::kSelected);
    WriteAll(Docs("out.csv"), "old file");
    CsvExport out(*settings);
    platform::fs::testing::FailWritesAfter(1000);
    const CsvExport::Result result = out.Run(Request({ "名前", "メール" }), rec);
    platform::fs::testing::FailWritesAfter(-1);
    EXPECT_EQ(result, CsvExport::Result::kWriteFailed);
    EXPECT_EQ(U(host.LastText()), "保存に失敗しました。");
    EXPECT_EQ(ReadAll(Docs("out.csv")), "old file");
    // No temporary file is left beside it.
    EXPECT_EQ(platform::fs::ListDir(settings->DocumentsFolder()).size(), 1u);
}
