#include "PrintTestSupport.h"

#include "platform/fs.h"
#include "print/CustomerBarcode.h"
#include "print/LayoutFile.h"
#include "settings/LayoutDefaults.h"
#include "print/PrintForms.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;
using platform::MsgResult;

namespace {

std::vector<std::string> Names(const AppSettings& g)
{
    std::vector<std::string> out;
    for (int i = 0; i < g.ReportList().GetCount(); ++i)
        out.push_back(U(g.ReportList().GetLine(i)));
    return out;
}

std::vector<std::string> ListFile(const PrintFixture& f)
{
    LineList lines;
    EXPECT_TRUE(lines.LoadText(f.UserFile("NrtRepList.dat")));
    std::vector<std::string> out;
    for (int i = 0; i < lines.GetCount(); ++i)
        out.push_back(U(lines.GetLine(i)));
    return out;
}

const std::vector<std::string> kDefaults { "年賀状", "普通はがき(１)", "普通はがき(２)", "封筒(４号)(表)",
    "封筒(４号)(裏)" };

} // namespace

TEST(PrintForms, CreatingAForm)
{
    PrintFixture f;
    ASSERT_EQ(Names(*f.global), kDefaults);
    // A name that reads as a New Year card, created as a plain postcard.
    ASSERT_EQ(CreatePrintForm(*f.global, S("年賀状２"), kReportPostcard), FormOutcome::Done);
    EXPECT_EQ(U(f.messages.shown.back().text), "登録します。よろしいですか？");
    EXPECT_EQ(f.messages.shown.back().defaultButton, MsgResult::Yes);
    std::vector<std::string> expected = kDefaults;
    expected.push_back("年賀状２");
    EXPECT_EQ(Names(*f.global), expected);
    EXPECT_EQ(ListFile(f), expected);

    // The file holds the postcard's layout and keeps its kind, which wins over the
    // name when the form is loaded; a new form prints the prefecture.
    LayoutHeader postcard;
    LayoutTable postcardItems;
    ApplyDefaultLayout(kReportPostcard, postcard, postcardItems);
    postcard.formKind = kReportPostcard;
    postcard.printPrefecture = 1;
    EXPECT_EQ(ReadAll(f.UserFile("年賀状２.ndp")), FormatLayout(postcard, postcardItems));
    EXPECT_EQ(f.global->FormKind(S("年賀状２")), kReportPostcard);
    EXPECT_EQ(f.global->FormKind(S("年賀状")), kReportNewYearCard) << "an existing form: its name tells";
    ASSERT_EQ(f.global->LoadLayout(S("年賀状２"), AppSettings::ReportKindOfName(S("年賀状２"))), kLayoutRead);
    EXPECT_EQ(f.global->Header().formKind, kReportPostcard);
    EXPECT_EQ(f.global->Header().printPrefecture, 1);
    EXPECT_EQ(f.global->Header().backgroundImage, "repbk02.BMP");
    EXPECT_TRUE(f.global->Layout()[13].shown);
    EXPECT_EQ(f.global->Layout()[13].object.FontHeight(), 468);
}

// Whatever its name, a form is loaded with the defaults of the kind it was made as;
// envelope fronts and labels show the customer barcode from the start.
TEST(PrintForms, ANewFormKeepsItsKind)
{
    PrintFixture f;
    struct Case {
        const char* name;
        int kind;
        std::int32_t paperWidth;
        bool barcode;
    } cases[] = {
        { "ENV3F", kReportEnvelope3Front, 12000, true },
        { "封筒長3", kReportEnvelope3Front, 12000, true },
        { "宛名", kReportLabelSheet, 8380, true },
        { "封筒うら", kReportEnvelope40Back, 9000, false },
        { "はがき", kReportNewYearCard, 10000, false },
    };
    for (const Case& c : cases) {
        ASSERT_EQ(CreatePrintForm(*f.global, S(c.name), c.kind), FormOutcome::Done) << c.name;
        f.global->ApplyDefaultLayout(kReportPostcard);
        EXPECT_EQ(f.global->FormKind(S(c.name)), c.kind) << c.name;
        ASSERT_EQ(f.global->LoadLayout(S(c.name), AppSettings::ReportKindOfName(S(c.name))), kLayoutRead) << c.name;
        EXPECT_EQ(f.global->Header().paperWidth, c.paperWidth) << c.name;
        EXPECT_EQ(f.global->Layout()[kBarcodeSlot].shown, c.barcode) << c.name;
        // The barcode of the kind's own defaults: centred on an envelope, inside a label.
        const TextItem& bars = f.global->Layout()[kBarcodeSlot].object;
        if (c.barcode && c.kind != kReportLabelSheet) {
            EXPECT_NEAR(bars.X() + BarcodeGeometry().Width() / 2, c.paperWidth / 2.0, 1) << c.name;
        }
        EXPECT_TRUE(BarcodeInsideCell(f.global->Header(), f.global->Layout()[kBarcodeSlot])) << c.name;
    }
}

TEST(PrintForms, CreatingIsRefused)
{
    struct Case {
        const char* what;
        const char* name;
        int kind;
        FormOutcome outcome;
        const char* message;
    } cases[] = {
        { "no kind", "新しい用紙", 0, FormOutcome::Refused, "種類を選択して下さい。" },
        { "no name", "", kReportPostcard, FormOutcome::RefusedAtName, "印刷名を入力して下さい。" },
        { "existing name", "年賀状", kReportPostcard, FormOutcome::Refused, "既に存在する印刷名です。" },
        { "a name that is no file name", "a/b", kReportPostcard, FormOutcome::RefusedAtName, "不正な印刷名です。" },
    };
    for (const Case& c : cases) {
        PrintFixture f;
        EXPECT_EQ(CreatePrintForm(*f.global, S(c.name), c.kind), c.outcome) << c.what;
        EXPECT_EQ(U(f.messages.LastText()), c.message) << c.what;
        EXPECT_EQ(Names(*f.global), kDefaults) << c.what;
        EXPECT_FALSE(platform::fs::Exists(f.UserFile("NrtRepList.dat"))) << c.what;
    }
    PrintFixture f;
    ASSERT_EQ(CreatePrintForm(*f.global, S("Labels"), kReportLabelSheet), FormOutcome::Done);
    EXPECT_EQ(CreatePrintForm(*f.global, S("LABELS"), kReportPostcard), FormOutcome::Refused);
    f.messages.Answer(MsgResult::Yes);
    f.messages.Answer(MsgResult::No);
    EXPECT_EQ(CreatePrintForm(*f.global, S("宛名"), kReportPostcard), FormOutcome::Done);
    EXPECT_EQ(CreatePrintForm(*f.global, S("宛名２"), kReportPostcard), FormOutcome::Declined);
    EXPECT_EQ(f.global->ReportList().GetCount(), 7);
}

TEST(PrintForms, RenamingCarriesTheFiles)
{
    PrintFixture f;
    const int index = 1; // 普通はがき(１)
    f.global->ApplyDefaultLayout(kReportPostcard);
    f.global->Header().kanjiNumerals = 1;
    ASSERT_EQ(f.global->WriteLayoutFile(index), 0);
    const std::string layout = ReadAll(f.UserFile("普通はがき(１).ndp"));
    WriteAll(f.UserFile("普通はがき(１).prd"), "PR settings");

    ASSERT_EQ(
        RenamePrintForm(*f.global, index, S("Rep はがき")), FormOutcome::Done); // upper-case Rep is no reserved word
    EXPECT_EQ(U(f.messages.LastText()), "名前を変更します。よろしいですか？");
    EXPECT_EQ(Names(*f.global)[1], "Rep はがき");
    EXPECT_EQ(ListFile(f)[1], "Rep はがき");
    EXPECT_EQ(ReadAll(f.UserFile("Rep はがき.ndp")), layout);
    EXPECT_EQ(ReadAll(f.UserFile("Rep はがき.prd")), "PR settings");
    EXPECT_FALSE(platform::fs::Exists(f.UserFile("普通はがき(１).ndp")));
    EXPECT_FALSE(platform::fs::Exists(f.UserFile("普通はがき(１).prd")));
}

TEST(PrintForms, RenamingIsRefused)
{
    struct Case {
        const char* what;
        const char* name;
        FormOutcome outcome;
        const char* message;
    } cases[] = {
        { "empty", "", FormOutcome::RefusedAtName, "レポート名を入力して下さい。" },
        { "reserved word", "repはがき", FormOutcome::Refused, "予約語が含まれています。" },
        { "the same name", "普通はがき(１)", FormOutcome::Refused, "同一ファイル名です。" },
        { "another form's name", "年賀状", FormOutcome::Refused, "既に存在するレポート名です。" },
        { "no file name", "../x", FormOutcome::RefusedAtName, "不正な印刷名です。" },
    };
    for (const Case& c : cases) {
        PrintFixture f;
        EXPECT_EQ(RenamePrintForm(*f.global, 1, S(c.name)), c.outcome) << c.what;
        EXPECT_EQ(U(f.messages.LastText()), c.message) << c.what;
        EXPECT_EQ(Names(*f.global), kDefaults) << c.what;
    }
    PrintFixture f;
    ASSERT_EQ(CreatePrintForm(*f.global, S("Abc"), kReportPostcard), FormOutcome::Done);
    EXPECT_EQ(RenamePrintForm(*f.global, 0, S("aBC")), FormOutcome::Refused);
    EXPECT_EQ(U(f.messages.LastText()), "既に存在するレポート名です。");
    EXPECT_EQ(RenamePrintForm(*f.global, 5, S("ABC")), FormOutcome::Refused);
    EXPECT_EQ(U(f.messages.LastText()), "同一ファイル名です。");
    EXPECT_EQ(RenamePrintForm(*f.global, 9, S("x")), FormOutcome::Refused); // no such form: nothing opens
    f.messages.Answer(MsgResult::No);
    EXPECT_EQ(RenamePrintForm(*f.global, 0, S("新年")), FormOutcome::Declined);
    EXPECT_EQ(Names(*f.global)[0], "年賀状");
}

TEST(PrintForms, AFormWithoutLayoutFileGetsItsKindsDefaultsWhenRenamed)
{
    PrintFixture f;
    ASSERT_FALSE(platform::fs::Exists(f.UserFile("封筒(４号)(裏).ndp")));
    ASSERT_EQ(RenamePrintForm(*f.global, 4, S("封筒裏")), FormOutcome::Done);
    LayoutHeader h;
    LayoutTable items;
    ApplyDefaultLayout(kReportEnvelope4Back, h, items);
    EXPECT_EQ(ReadAll(f.UserFile("封筒裏.ndp")), FormatLayout(h, items));
    EXPECT_FALSE(platform::fs::Exists(f.UserFile("封筒(４号)(裏).ndp")));
}

TEST(PrintForms, RenamingKeepsTheOldSettingsWhenTheyCannotBeCopied)
{
    PrintFixture f;
    ASSERT_EQ(f.global->WriteLayoutFile(0), 0);
    WriteAll(f.UserFile("年賀状.prd"), "PR");
    platform::fs::MakeDirs(f.UserFile("新年.prd")); // nothing can be copied over a folder
    ASSERT_EQ(RenamePrintForm(*f.global, 0, S("新年")), FormOutcome::Refused);
    EXPECT_EQ(U(f.messages.LastText()), "プリンタ設定の名前変更に失敗しました。");
    EXPECT_EQ(Names(*f.global)[0], "新年");
    EXPECT_TRUE(platform::fs::IsFile(f.UserFile("新年.ndp")));
    EXPECT_TRUE(platform::fs::IsFile(f.UserFile("年賀状.prd")));
}

TEST(PrintForms, Deleting)
{
    PrintFixture f;
    ASSERT_EQ(f.global->WriteLayoutFile(2), 0);
    WriteAll(f.UserFile("普通はがき(２).prd"), "PR");
    EXPECT_EQ(DeletePrintForm(*f.global, -1), FormOutcome::Refused);
    EXPECT_EQ(U(f.messages.LastText()), "リストを選択して下さい。");
    f.messages.Answer(MsgResult::No);
    EXPECT_EQ(DeletePrintForm(*f.global, 2), FormOutcome::Declined);
    EXPECT_EQ(f.messages.shown.back().defaultButton, MsgResult::No);
    EXPECT_TRUE(platform::fs::IsFile(f.UserFile("普通はがき(２).ndp")));

    ASSERT_EQ(DeletePrintForm(*f.global, 2), FormOutcome::Done);
    EXPECT_FALSE(platform::fs::Exists(f.UserFile("普通はがき(２).ndp")));
    EXPECT_FALSE(platform::fs::Exists(f.UserFile("普通はがき(２).prd")));
    EXPECT_EQ(
        ListFile(f), (std::vector<std::string> { "年賀状", "普通はがき(１)", "封筒(４号)(表)", "封筒(４号)(裏)" }));

    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(DeletePrintForm(*f.global, 0), FormOutcome::Done); // files missing: fine
    EXPECT_EQ(DeletePrintForm(*f.global, 0), FormOutcome::Refused);
    EXPECT_EQ(U(f.messages.LastText()), "全てのレポートを削除することは出来ません。");
    EXPECT_EQ(Names(*f.global), (std::vector<std::string> { "封筒(４号)(裏)" }));
}

TEST(PrintForms, NameCharacters)
{
    std::string refused, allowed;
    for (int c = 32; c < 127; ++c)
        (IsRefusedNameChar(static_cast<unsigned char>(c)) ? refused : allowed).push_back(static_cast<char>(c));
    EXPECT_EQ(refused, " !\"#$%&'()*+,-./:;<=>?[\\]^");
    EXPECT_EQ(allowed, "0123456789@ABCDEFGHIJKLMNOPQRSTUVWXYZ_`abcdefghijklmnopqrstuvwxyz{|}~");
    EXPECT_FALSE(IsRefusedNameChar(0x82)); // lead bytes of double-byte characters pass
}
