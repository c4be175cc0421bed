// The renderer's own selection (print condition, sort, sender), the command line's
// PDF job, the address list and the progress window.
#include "PrintGuiSupport.h"

#include "db/CardHistory.h"
#include "db/MainList.h"
#include "db/RecordSet.h"
#include "platform/Clock.h"
#include "platform/fs.h"
#include "print/RowSource.h"
#include "print/qt/ListPrint.h"
#include "print/qt/PrintCommands.h"
#include "print/qt/PrintFormList.h"
#include "print/qt/PrintPreview.h"
#include "print/qt/PrintProgress.h"
#include "print/render/CardRenderer.h"
#include "print/render/CommandLinePrint.h"
#include "settings/LayoutDefaults.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

const std::vector<Addressee> kPeople {
    { "渡辺 三郎", "100-0005", "千代田区丸の内１－１－１", "" },
    { "伊藤 花子", "530-0001", "大阪市北区梅田２－４－９", "" },
    { "加藤 一郎", "4600008", "名古屋市中区栄３－５－１２", "" },
};
// Readings that sort 伊藤, 加藤, 渡辺.
const char* kKana[] = { "ﾜﾀﾅﾍﾞ ｻﾌﾞﾛｳ", "ｲﾄｳ ﾊﾅｺ", "ｶﾄｳ ｲﾁﾛｳ" };

class Commands : public ::testing::Test {
protected:
    Commands()
    {
        f.AddSender({ "古い 差出人", "999-9999", "使わない住所", "" }, false);
        const std::vector<int> people = f.AddAddressees(kPeople);
        for (std::size_t i = 0; i < people.size(); ++i) {
            EXPECT_EQ(f.db.ReadRecord(people[i]), RecordError::kNone);
            EXPECT_EQ(f.db.SetValue(field::kKana, S(kKana[i])), RecordError::kNone);
            EXPECT_EQ(f.db.PostRecord(), RecordError::kNone);
        }
        f.AddSender({ "差出 太郎", "231-0005", "横浜市中区本町６－５０－１", "" });
        // Not marked: never printed.
        f.AddAddressees({ { "印刷 しない", "100-0001", "千代田区", "" } });
        EXPECT_EQ(f.db.ReadRecord(f.db.GetRecordCount() - 1), RecordError::kNone);
        EXPECT_EQ(f.db.SetValue(field::kPrintMark, "0"), RecordError::kNone);
        EXPECT_EQ(f.db.PostRecord(), RecordError::kNone);
    }

    std::string Condition(std::string_view suffix = {}) const
    {
        return mainlist::PrintCondition(mainlist::TabContext {}, suffix);
    }

    PrintGuiFixture f;
    std::string pdf = f.dir.File("cards.pdf");
};

} // namespace

TEST_F(Commands, ThePrintConditionInTheListsOrderWithTheSender)
{
    print::CardRenderer prn(*f.settings, f.db, f.printer);
    ASSERT_TRUE(prn.Prepare(S("年賀状"), kFormNewYearCard, Condition(), S("カナ")));
    EXPECT_EQ(prn.RowCount(), 3);
    EXPECT_EQ(U(prn.Sender().Get(SenderBlock::kName)), "差出 太郎");
    EXPECT_EQ(prn.Form().header.backgroundImage, "repbk01.BMP");
    EXPECT_FALSE(prn.Background().IsEmpty()); // found beside the program
    f.PrintToPdf(pdf);
    ASSERT_TRUE(prn.PrintRows(nullptr));
    const std::vector<std::string> pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 3u);
    // Family names: the text reader may take a vertical name apart at its space.
    const char* order[] = { "伊藤", "加藤", "渡辺" };
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j)
            EXPECT_EQ(pages[i].find(order[j]) != std::string::npos, i == j) << pages[i];
        EXPECT_NE(pages[i].find("差出太郎"), std::string::npos) << "the sender on every card";
        // Kind 1 leaves the digits as they are (the text is read back folded: ６ as 6).
        EXPECT_NE(pages[i].find("横浜市中区本町6"), std::string::npos) << pages[i];
    }
}

TEST_F(Commands, NothingToPrint)
{
    print::CardRenderer prn(*f.settings, f.db, f.printer);
    EXPECT_FALSE(prn.Prepare(S("年賀状"), kFormNewYearCard, Condition(S(" and 名前='いない'")), ""));
    ASSERT_FALSE(f.messages.shown.empty());
    EXPECT_EQ(U(f.messages.LastText()), "印刷データがありません。");
    EXPECT_EQ(U(f.messages.shown.back().caption), "注意");
    EXPECT_EQ(prn.RowCount(), 0);
}

TEST_F(Commands, WithoutAMarkedSenderTheSenderSlotsAreEmpty)
{
    EXPECT_EQ(f.db.ReadRecord(4), RecordError::kNone); // 差出 太郎
    EXPECT_EQ(f.db.SetValue(field::kPrintMark, "0"), RecordError::kNone);
    EXPECT_EQ(f.db.PostRecord(), RecordError::kNone);
    print::CardRenderer prn(*f.settings, f.db, f.printer);
    EXPECT_EQ(prn.LoadSender(), static_cast<int>(SelectResult::kNothingSelected));
    ASSERT_TRUE(prn.Prepare(S("年賀状"), kFormNewYearCard, Condition(), ""));
    EXPECT_EQ(prn.Sender().Get(SenderBlock::kName), "");
    f.PrintToPdf(pdf);
    ASSERT_TRUE(prn.PrintRows(nullptr));
    EXPECT_EQ(PdfPageTexts(pdf)[0].find("差出"), std::string::npos);
    EXPECT_NE(PdfPageTexts(pdf)[0].find("渡辺三郎"), std::string::npos);
}

TEST_F(Commands, CommandLinePdf)
{
    struct Case {
        const char* what;
        const char* form;
        std::string suffix;
        int from, to;
        print::PrintOutcome result;
        int pages;
    } cases[] = {
        { "all cards", "年賀状", "", 0, 0, print::PrintOutcome::Done, 3 },
        { "pages 2 to 3", "年賀状", "", 2, 3, print::PrintOutcome::Done, 2 },
        { "no such form", "ない用紙", "", 0, 0, print::PrintOutcome::NoSuchForm, -1 },
        { "nothing selected", "年賀状", S(" and 名前='いない'"), 0, 0, print::PrintOutcome::Failed, -1 },
        { "envelope back", "封筒(４号)(裏)", "", 0, 0, print::PrintOutcome::Done, 3 },
    };
    for (const Case& c : cases) {
        platform::fs::RemoveFile(pdf);
        print::PrintRequest request;
        request.formName = S(c.form);
        request.condition = Condition(c.suffix);
        request.from = c.from;
        request.to = c.to;
        EXPECT_EQ(print::PrintToPdf(*f.settings, f.db, request, pdf).outcome, c.result) << c.what;
        if (c.pages < 0) {
            EXPECT_FALSE(platform::fs::Exists(pdf)) << c.what;
            continue;
        }
        EXPECT_EQ(PdfPageCount(pdf), c.pages) << c.what;
    }
    // A form with printer settings of its own still prints on its paper.
    PrinterSettings a4;
    a4.driver = "CUPS";
    a4.device = "Some_Printer";
    a4.paperWidth = 21000;
    a4.paperHeight = 29700;
    ASSERT_TRUE(WritePrinterSettings(f.settings->BookFile(S("封筒(４号)(表).prd")), a4).Ok());
    ASSERT_TRUE(WritePrintForm(*f.settings, 3, PrintForm::Defaults(kFormEnvelope4Front)).Ok());
    print::PrintRequest envelope;
    envelope.formName = S("封筒(４号)(表)");
    envelope.condition = Condition();
    ASSERT_EQ(print::PrintToPdf(*f.settings, f.db, envelope, pdf).outcome, print::PrintOutcome::Done);
    EXPECT_NEAR(PdfPageSize(pdf).width(), 90.0, 0.01);
    EXPECT_NEAR(PdfPageSize(pdf).height(), 205.0, 0.01);
}

TEST_F(Commands, AddressList)
{
    RecordSet listed;
    listed.Attach(&f.db);
    ASSERT_EQ(listed.SetSort(S("カナ"), 1), SortError::kNone);
    ASSERT_EQ(listed.Select(Condition()), SelectResult::kSelected);
    RecordSetRows rows(listed);
    f.PrintToPdf(pdf);
    EXPECT_EQ(print::PrintAddressList(f.printer, rows, false, nullptr), 1);
    EXPECT_TRUE(f.messages.shown.empty());
    const std::string page = PdfPageTexts(pdf)[0];
    // Read back with compatibility folding: ＜ as <, ２ as 2.
    for (const char* text :
        { "<住所一覧>", "名前", "〒", "住所", "電話番号", "伊藤花子", "530-0001", "大阪市北区梅田2-4-9" })
        EXPECT_NE(page.find(text), std::string::npos) << text << " in " << page;
    EXPECT_LT(page.find("伊藤花子"), page.find("渡辺三郎"));
    EXPECT_EQ(listed.GetPos(), 0) << "the list's cursor stays where it was";

    // Nothing listed: the dialog, then the message.
    RecordSet none;
    none.Attach(&f.db);
    ASSERT_EQ(none.Select(Condition(S(" and 名前='いない'"))), SelectResult::kNothingSelected);
    RecordSetRows empty(none);
    EXPECT_EQ(print::PrintAddressList(f.printer, empty, false, nullptr), 0);
    EXPECT_EQ(U(f.messages.LastText()), "印刷されるデータがありませんでした。");
    // A cancelled dialog says nothing.
    f.messages.shown.clear();
    f.printer.SetDialogStandIn([](QPrinter&, bool) { return false; });
    EXPECT_EQ(print::PrintAddressList(f.printer, rows, false, nullptr), 0);
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST_F(Commands, AddressListPagesAndLongAddresses)
{
    EXPECT_EQ(f.db.ReadRecord(1), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kAddress1,
                  S("東京都千代田区丸の内一丁目二番三号　丸の内パークビルディング三十階　"
                    "株式会社ノルテア企画　総務部")),
        RecordError::kNone);
    EXPECT_EQ(f.db.PostRecord(), RecordError::kNone);
    std::vector<int> all(130, 1);
    TableRows rows(f.db, all);
    // A sheet printable to its edges: 62 rows a page, 130 rows on three pages.
    const QString file = QString::fromStdString(platform::fs::ToSystemPath(pdf));
    f.printer.SetDialogStandIn([file](QPrinter& p, bool) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(file);
        p.setPageSize(QPageSize(QPageSize::A4));
        p.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        p.setPrintRange(QPrinter::PageRange);
        p.setFromTo(3, 3);
        return true;
    });
    EXPECT_EQ(print::PrintAddressList(f.printer, rows, false, nullptr), 1);
    ASSERT_EQ(PdfPageCount(pdf), 1);
    const std::string page = PdfPageTexts(pdf)[0];
    EXPECT_NE(page.find("<住所一覧>"), std::string::npos) << "every page has its title";
    const QImage image = PdfPageImage(pdf, 1, 200);
    auto px = [](double mm) { return static_cast<int>(mm * 200 / 25.4); };
    // Six rows on the last page, from 13.00 mm every 4.25 mm.
    const QRect rowsArea(0, px(13.0), image.width(), px(6 * 4.25));
    EXPECT_TRUE(Ink(image, rowsArea).isValid());
    EXPECT_FALSE(Ink(image, QRect(0, px(13.0 + 6 * 4.25 + 0.5), image.width(), px(20))).isValid());
    // The address is cut 1.5 mm before the telephone column at 165.00 mm: its ink
    // reaches 163.50 mm and stops there.
    const QRect ink = Ink(image, rowsArea);
    EXPECT_LE(ink.right(), px(163.5) + 1);
    EXPECT_GE(ink.right(), px(161.0));
}

TEST(PrintProgress, RunsTheJobAndStopsWhenCancelled)
{
    QWidget window;
    int pages = 0;
    EXPECT_TRUE(print::PrintProgress::Run(&window, 10, [&] { return ++pages < 10; }));
    EXPECT_EQ(pages, 10);

    pages = 0;
    const bool completed = print::PrintProgress::Run(&window, 10, [&] {
        if (++pages == 4)
            if (auto* progress = qobject_cast<print::PrintProgress*>(QApplication::activeModalWidget()))
                Control<QPushButton>(progress, "cmd_Cancel")->click();
        return pages < 10;
    });
    EXPECT_FALSE(completed);
    EXPECT_EQ(pages, 4);

    pages = 0; // a short job runs without the window
    EXPECT_TRUE(print::PrintProgress::Run(&window, 3, [&] { return ++pages < 3; }));
    EXPECT_EQ(pages, 3);
}

// The print window's job: the sender chosen among several, New Year's cards leaving
// out an addressee in mourning (and saying so), and the offer afterwards to record the
// printed cards as sent for the card year.
TEST_F(Commands, NewYearCardsChooseTheSenderLeaveOutMourningAndRecordWhatWasSent)
{
    const int year = cardhistory::CardYear(platform::GetClock().Now());
    EXPECT_EQ(f.db.ReadRecord(2), RecordError::kNone); // 伊藤 花子
    ASSERT_EQ(f.db.SetValue(field::kCardHistory, std::to_string(year) + S("喪")), RecordError::kNone);
    ASSERT_EQ(f.db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(f.db.ReadRecord(3), RecordError::kNone); // 加藤 一郎: received, sent before
    ASSERT_EQ(f.db.SetValue(field::kCardHistory, std::to_string(year) + S("受 ") + std::to_string(year - 1) + S("出")),
        RecordError::kNone);
    ASSERT_EQ(f.db.PostRecord(), RecordError::kNone);

    print::PrintCommands commands(*f.settings, f.db, nullptr);
    commands.Renderer().SetProgressRunner({});
    const QString file = QString::fromStdString(platform::fs::ToSystemPath(pdf));
    commands.Printer().SetDialogStandIn([file](QPrinter& p, bool) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(file);
        return true;
    });
    QString offered;
    WhenModal<print::PrintFormList>([&](print::PrintFormList& d) {
        Control<QListWidget>(d, "lst_Name")->setCurrentRow(0); // 年賀状
        auto* sender = Control<QComboBox>(d, "cbo_Sender");
        EXPECT_TRUE(sender->isVisibleTo(&d));
        offered = sender->currentText();
        sender->setCurrentIndex(sender->findText(QStringLiteral("古い 差出人")));
        d.okClicked();
    });
    EXPECT_TRUE(commands.Print(Condition(), S("カナ"), false));
    EXPECT_EQ(offered, QStringLiteral("差出 太郎")) << "the marked sender comes first";

    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(U(f.messages.shown[0].text), "喪中の宛先1件は" + std::to_string(year) + "年の年賀状を印刷しません。");
    EXPECT_EQ(U(f.messages.shown[1].text),
        "印刷した2件を" + std::to_string(year) + "年の年賀状を出した宛先として記録しますか？");
    const std::vector<std::string> pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 2u);
    for (const std::string& page : pages) {
        EXPECT_NE(page.find("古い差出人"), std::string::npos) << page;
        EXPECT_EQ(page.find("伊藤"), std::string::npos) << page;
    }
    EXPECT_EQ(U(f.db.GetValue(field::kCardHistory, 1)), std::to_string(year) + "出"); // 渡辺
    EXPECT_EQ(U(f.db.GetValue(field::kCardHistory, 2)), std::to_string(year) + "喪");
    EXPECT_EQ(
        U(f.db.GetValue(field::kCardHistory, 3)), std::to_string(year) + "出受 " + std::to_string(year - 1) + "出");
}

// The preview's print commands make the same offer, for the records each job put out:
// the dialog's page range, the page shown, and nothing after a cancelled dialog (the
// renderer still names the last job's records then).
TEST_F(Commands, ThePreviewsPrintCommandsOfferToRecordWhatTheyPrinted)
{
    const int year = cardhistory::CardYear(platform::GetClock().Now());
    ASSERT_EQ(f.db.ReadRecord(2), RecordError::kNone); // 伊藤 花子
    ASSERT_EQ(f.db.SetValue(field::kCardHistory, std::to_string(year) + S("喪")), RecordError::kNone);
    ASSERT_EQ(f.db.PostRecord(), RecordError::kNone);
    print::PrintCommands commands(*f.settings, f.db, nullptr);
    commands.Renderer().SetProgressRunner({});
    const std::string offer = "印刷した1件を" + std::to_string(year) + "年の年賀状を出した宛先として記録しますか？";

    std::vector<std::string> asked; // the questions after each of the three jobs
    std::vector<std::string> printed; // the first page of each
    WhenModal<print::PrintFormList>([&](print::PrintFormList& list) {
        Control<QListWidget>(list, "lst_Name")->setCurrentRow(0); // 年賀状: 加藤, then 渡辺
        WhenModal<print::PrintPreview>([&](print::PrintPreview& preview) {
            const auto job = [&](const char* action) {
                const std::size_t shown = f.messages.shown.size();
                platform::fs::RemoveFile(pdf);
                Control<QAction>(preview, action)->trigger();
                asked.push_back(f.messages.shown.size() > shown ? U(f.messages.LastText()) : "");
                printed.push_back(platform::fs::Exists(pdf) ? PdfPageTexts(pdf).at(0) : "");
            };
            f.PrintToPdf(pdf, 2, 2, &commands.Printer());
            job("mnuFilePrint"); // page 2: 渡辺, recorded
            f.messages.Answer(platform::MsgResult::No);
            job("N1"); // the page shown: 加藤, declined
            commands.Printer().SetDialogStandIn([](QPrinter&, bool) { return false; });
            job("mnuFilePrint");
            preview.accept();
        });
        list.okClicked();
    });
    EXPECT_TRUE(commands.Preview(Condition(), S("カナ"), false)) << "the list shows the records changed";

    EXPECT_EQ(asked, (std::vector<std::string> { offer, offer, "" }));
    ASSERT_EQ(printed.size(), 3u);
    EXPECT_NE(printed[0].find("渡辺"), std::string::npos) << printed[0];
    EXPECT_NE(printed[1].find("加藤"), std::string::npos) << printed[1];
    EXPECT_EQ(printed[2], "");
    EXPECT_EQ(U(f.db.GetValue(field::kCardHistory, 1)), std::to_string(year) + "出"); // 渡辺
    EXPECT_EQ(U(f.db.GetValue(field::kCardHistory, 2)), std::to_string(year) + "喪"); // 伊藤, never printed
    EXPECT_EQ(U(f.db.GetValue(field::kCardHistory, 3)), ""); // 加藤, declined
}
