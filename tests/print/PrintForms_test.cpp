#include "PrintTestSupport.h"

#include "platform/fs.h"
#include "print/CustomerBarcode.h"
#include "print/LayoutFile.h"
#include "print/PrintForm.h"
#include "print/PrintForms.h"
#include "settings/LayoutDefaults.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

std::vector<std::string> Names(const AppSettings& g)
{
    std::vector<std::string> out;
    for (int i = 0; i < g.FormList().GetCount(); ++i)
        out.push_back(U(g.FormList().GetLine(i)));
    return out;
}

std::vector<std::string> ListFile(const PrintFixture& f)
{
    LineList lines;
    EXPECT_TRUE(lines.LoadText(f.BookFile("NrtRepList.dat")));
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
    ASSERT_EQ(Names(*f.settings), kDefaults);
    // A name that reads as a New Year card, created as a plain postcard.
    ASSERT_TRUE(CreatePrintForm(*f.settings, S("年賀状２"), kFormPostcard).Done());
    EXPECT_TRUE(f.messages.shown.empty()) << "the windows say and ask";
    std::vector<std::string> expected = kDefaults;
    expected.push_back("年賀状２");
    EXPECT_EQ(Names(*f.settings), expected);
    EXPECT_EQ(ListFile(f), expected);

    // The file holds the postcard's layout and keeps its kind, which wins over the
    // name when the form is loaded; a new form prints the prefecture.
    LayoutHeader postcard;
    LayoutTable postcardItems;
    ApplyDefaultLayout(kFormPostcard, postcard, postcardItems);
    postcard.formKind = kFormPostcard;
    postcard.printPrefecture = 1;
    EXPECT_EQ(ReadAll(f.BookFile("年賀状２.ndp")), FormatLayout(postcard, postcardItems));
    EXPECT_EQ(PrintFormKind(*f.settings, S("年賀状２")), kFormPostcard);
    EXPECT_EQ(PrintFormKind(*f.settings, S("年賀状")), kFormNewYearCard) << "an existing form: its name tells";
    PrintForm form;
    ASSERT_EQ(
        LoadPrintForm(*f.settings, S("年賀状２"), AppSettings::FormKindOfName(S("年賀状２")), form), LayoutLoad::Read);
    EXPECT_EQ(form.header.formKind, kFormPostcard);
    EXPECT_EQ(form.header.printPrefecture, 1);
    EXPECT_EQ(form.header.backgroundImage, "repbk02.BMP");
    EXPECT_TRUE(form.items[13].shown);
    EXPECT_EQ(form.items[13].object.FontHeight(), 468);
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
        { "ENV3F", kFormEnvelope3Front, 12000, true },
        { "封筒長3", kFormEnvelope3Front, 12000, true },
        { "宛名", kFormLabelSheet, 8380, true },
        { "封筒うら", kFormEnvelope40Back, 9000, false },
        { "はがき", kFormNewYearCard, 10000, false },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CreatePrintForm(*f.settings, S(c.name), c.kind).Done()) << c.name;
        PrintForm form = PrintForm::Defaults(kFormPostcard);
        EXPECT_EQ(PrintFormKind(*f.settings, S(c.name)), c.kind) << c.name;
        ASSERT_EQ(LoadPrintForm(*f.settings, S(c.name), AppSettings::FormKindOfName(S(c.name)), form), LayoutLoad::Read)
            << c.name;
        EXPECT_EQ(form.header.paperWidth, c.paperWidth) << c.name;
        EXPECT_EQ(form.items[kBarcodeSlot].shown, c.barcode) << c.name;
        // The barcode of the kind's own defaults: centred on an envelope, inside a label.
        const TextItem& bars = form.items[kBarcodeSlot].object;
        if (c.barcode && c.kind != kFormLabelSheet) {
            EXPECT_NEAR(bars.X() + BarcodeGeometry().Width() / 2, c.paperWidth / 2.0, 1) << c.name;
        }
        EXPECT_TRUE(BarcodeInsideCell(form.header, form.items[kBarcodeSlot])) << c.name;
    }
}

TEST(PrintForms, CreatingIsRefused)
{
    struct Case {
        const char* what;
        const char* name;
        int kind;
        FormChange change;
        bool atName;
        const char* message;
    } cases[] = {
        { "no kind", "新しい用紙", 0, FormChange::NoKindChosen, false, "種類を選択して下さい。" },
        { "no name", "", kFormPostcard, FormChange::NoName, true, "印刷名を入力して下さい。" },
        { "existing name", "年賀状", kFormPostcard, FormChange::NameTaken, false, "既に存在する印刷名です。" },
        { "a name that is no file name", "a/b", kFormPostcard, FormChange::NotAFileName, true, "不正な印刷名です。" },
    };
    for (const Case& c : cases) {
        PrintFixture f;
        // The check refuses what the change refuses, before anything is asked.
        if (c.change != FormChange::NotAFileName) {
            EXPECT_EQ(CheckNewPrintForm(*f.settings, S(c.name), c.kind).change, c.change) << c.what;
        }
        const FormResult result = CreatePrintForm(*f.settings, S(c.name), c.kind);
        EXPECT_EQ(result.change, c.change) << c.what;
        EXPECT_EQ(result.AtName(), c.atName) << c.what;
        EXPECT_EQ(U(result.Message()), c.message) << c.what;
        EXPECT_TRUE(f.messages.shown.empty()) << c.what;
        if (result.Done())
            continue;
        EXPECT_EQ(Names(*f.settings), kDefaults) << c.what;
        EXPECT_FALSE(platform::fs::Exists(f.BookFile("NrtRepList.dat"))) << c.what;
    }
    PrintFixture f;
    ASSERT_TRUE(CreatePrintForm(*f.settings, S("Labels"), kFormLabelSheet).Done());
    EXPECT_EQ(CreatePrintForm(*f.settings, S("LABELS"), kFormPostcard).change, FormChange::NameTaken);
    EXPECT_EQ(f.settings->FormList().GetCount(), 6);
}

// A list file that cannot be written leaves the change made for this run, and says so
// with the file and the system's reason.
TEST(PrintForms, AListFileNotWrittenIsSaid)
{
    PrintFixture f;
    ASSERT_TRUE(platform::fs::MakeDirs(f.BookFile("NrtRepList.dat")));
    const FormResult result = DeletePrintForm(*f.settings, 1);
    EXPECT_EQ(result.change, FormChange::ListNotSaved);
    const std::string message = U(result.Message());
    EXPECT_EQ(message.substr(0, message.find('\n')), "印刷フォームの一覧を保存できませんでした。");
    EXPECT_NE(message.find(U(f.BookFile("NrtRepList.dat")) + "\n"), std::string::npos) << message;
    EXPECT_EQ(Names(*f.settings).size(), 4U);
}

TEST(PrintForms, RenamingCarriesTheFiles)
{
    PrintFixture f;
    const int index = 1; // 普通はがき(１)
    PrintForm form = PrintForm::Defaults(kFormPostcard);
    form.header.kanjiNumerals = 1;
    ASSERT_TRUE(WritePrintForm(*f.settings, index, form).Ok());
    const std::string layout = ReadAll(f.BookFile("普通はがき(１).ndp"));
    WriteAll(f.BookFile("普通はがき(１).prd"), "PR settings");

    ASSERT_TRUE(RenamePrintForm(*f.settings, index, S("Rep はがき")).Done()); // upper-case Rep is no reserved word
    EXPECT_EQ(Names(*f.settings)[1], "Rep はがき");
    EXPECT_EQ(ListFile(f)[1], "Rep はがき");
    EXPECT_EQ(ReadAll(f.BookFile("Rep はがき.ndp")), layout);
    EXPECT_EQ(ReadAll(f.BookFile("Rep はがき.prd")), "PR settings");
    EXPECT_FALSE(platform::fs::Exists(f.BookFile("普通はがき(１).ndp")));
    EXPECT_FALSE(platform::fs::Exists(f.BookFile("普通はがき(１).prd")));
}

TEST(PrintForms, RenamingIsRefused)
{
    struct Case {
        const char* what;
        const char* name;
        FormChange change;
        bool atName;
        const char* message;
    } cases[] = {
        { "empty", "", FormChange::NoNewName, true, "レポート名を入力して下さい。" },
        { "reserved word", "repはがき", FormChange::ReservedWord, false, "予約語が含まれています。" },
        { "the same name", "普通はがき(１)", FormChange::SameName, false, "同一ファイル名です。" },
        { "another form's name", "年賀状", FormChange::NewNameTaken, false, "既に存在するレポート名です。" },
        { "no file name", "../x", FormChange::NotAFileName, true, "不正な印刷名です。" },
    };
    for (const Case& c : cases) {
        PrintFixture f;
        const FormResult result = RenamePrintForm(*f.settings, 1, S(c.name));
        EXPECT_EQ(result.change, c.change) << c.what;
        EXPECT_EQ(result.AtName(), c.atName) << c.what;
        EXPECT_EQ(U(result.Message()), c.message) << c.what;
        EXPECT_EQ(Names(*f.settings), kDefaults) << c.what;
    }
    PrintFixture f;
    ASSERT_TRUE(CreatePrintForm(*f.settings, S("Abc"), kFormPostcard).Done());
    EXPECT_EQ(CheckRenamePrintForm(*f.settings, 0, S("aBC")).change, FormChange::NewNameTaken);
    EXPECT_EQ(RenamePrintForm(*f.settings, 5, S("ABC")).change, FormChange::SameName);
    const FormResult none = RenamePrintForm(*f.settings, 9, S("x")); // no such form: nothing to say
    EXPECT_EQ(none.change, FormChange::NoSuchForm);
    EXPECT_EQ(none.Message(), "");
    EXPECT_EQ(Names(*f.settings)[0], "年賀状");
}

TEST(PrintForms, AFormWithoutLayoutFileGetsItsKindsDefaultsWhenRenamed)
{
    PrintFixture f;
    ASSERT_FALSE(platform::fs::Exists(f.BookFile("封筒(４号)(裏).ndp")));
    ASSERT_TRUE(RenamePrintForm(*f.settings, 4, S("封筒裏")).Done());
    LayoutHeader h;
    LayoutTable items;
    ApplyDefaultLayout(kFormEnvelope4Back, h, items);
    EXPECT_EQ(ReadAll(f.BookFile("封筒裏.ndp")), FormatLayout(h, items));
    EXPECT_FALSE(platform::fs::Exists(f.BookFile("封筒(４号)(裏).ndp")));
}

TEST(PrintForms, RenamingKeepsTheOldSettingsWhenTheyCannotBeCopied)
{
    PrintFixture f;
    ASSERT_TRUE(WritePrintForm(*f.settings, 0, PrintForm::Defaults(kFormPostcard)).Ok());
    WriteAll(f.BookFile("年賀状.prd"), "PR");
    platform::fs::MakeDirs(f.BookFile("新年.prd")); // nothing can be copied over a folder
    const FormResult result = RenamePrintForm(*f.settings, 0, S("新年"));
    ASSERT_EQ(result.change, FormChange::PrinterSettingsKept);
    const std::string message = U(result.Message());
    EXPECT_EQ(message.substr(0, message.find('\n')), "プリンタ設定の名前変更に失敗しました。");
    const std::string copy = U(f.BookFile("新年.prd"));
    EXPECT_EQ(message.substr(message.find('\n') + 1, copy.size()), copy) << message;
    EXPECT_EQ(Names(*f.settings)[0], "新年");
    EXPECT_TRUE(platform::fs::IsFile(f.BookFile("新年.ndp")));
    EXPECT_TRUE(platform::fs::IsFile(f.BookFile("年賀状.prd")));
}

TEST(PrintForms, Deleting)
{
    PrintFixture f;
    ASSERT_TRUE(WritePrintForm(*f.settings, 2, PrintForm::Defaults(kFormPostcard)).Ok());
    WriteAll(f.BookFile("普通はがき(２).prd"), "PR");
    EXPECT_EQ(DeletePrintForm(*f.settings, -1).change, FormChange::NothingSelected);
    EXPECT_EQ(U(FormResult { FormChange::NothingSelected, {} }.Message()), "リストを選択して下さい。");

    ASSERT_TRUE(DeletePrintForm(*f.settings, 2).Done());
    EXPECT_FALSE(platform::fs::Exists(f.BookFile("普通はがき(２).ndp")));
    EXPECT_FALSE(platform::fs::Exists(f.BookFile("普通はがき(２).prd")));
    EXPECT_EQ(
        ListFile(f), (std::vector<std::string> { "年賀状", "普通はがき(１)", "封筒(４号)(表)", "封筒(４号)(裏)" }));

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(DeletePrintForm(*f.settings, 0).Done()); // files missing: fine
    const FormResult last = CheckDeletePrintForm(*f.settings, 0);
    EXPECT_EQ(last.change, FormChange::LastForm);
    EXPECT_EQ(U(last.Message()), "全てのレポートを削除することは出来ません。");
    EXPECT_EQ(DeletePrintForm(*f.settings, 0).change, FormChange::LastForm);
    EXPECT_EQ(Names(*f.settings), (std::vector<std::string> { "封筒(４号)(裏)" }));
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
