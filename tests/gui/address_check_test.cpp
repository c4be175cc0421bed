// 「宛名チェック」: the findings listed with their check boxes, two mends applied with
// 「修正」 and the book saved with them, the unchecked one left as it was.
#include "check/AddressCheck.h"
#include "db/AddressTable.h"
#include "forms/AddressCheckDialog.h"
#include "support/TestSupport.h"

#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;

TEST(AddressCheckWindow, AppliesTheCheckedMendsAndSaves)
{
    nrt::test::TempDir dir;
    const std::string path = dir.File("nrt.ndb");
    AddressTable table;
    table.CreateDefaultTable();
    struct Row {
        const char* name;
        const char* honorific;
        const char* code;
        const char* address;
    };
    for (const Row& r :
        { Row { "山田 太郎", "様", "100-0014", "千代田区霞が関1-3-1" },
            Row { "鈴木 花子", "御中", "100-0013", "千代田区霞が関2-1-2" },
            Row { "佐藤 一郎", "様", "", "千代田区永田町1-7-1" }, Row { "", "様", "100-0013", "千代田区霞が関3-1" } }) {
        table.ClearCurrent();
        ASSERT_EQ(table.SetValue(field::kName, S(r.name)), RecordError::kNone);
        ASSERT_EQ(table.SetValue(field::kHonorific, S(r.honorific)), RecordError::kNone);
        ASSERT_EQ(table.SetValue(field::kPostalCode, r.code), RecordError::kNone);
        ASSERT_EQ(table.SetValue(field::kPrefecture, S("東京都")), RecordError::kNone);
        ASSERT_EQ(table.SetValue(field::kAddress1, S(r.address)), RecordError::kNone);
        ASSERT_EQ(table.PostRecord(), RecordError::kNone);
    }
    const check::PostalIndex postal = check::PostalIndex::Of({ { "1000000", 12, S("千代田区"), {} },
        { "1000013", 12, S("千代田区霞が関"), {} }, { "1000014", 12, S("千代田区永田町"), {} } });
    const std::vector<check::Finding> findings = check::CheckRecords(table, { 0, 1, 2, 3 }, postal);
    ASSERT_EQ(findings.size(), 4U);

    int saves = 0;
    gui::AddressCheckDialog dialog(table, findings, [&] {
        ++saves;
        return table.SaveTable(path) == TableError::kNone;
    });
    QTableWidget* list = dialog.findChild<QTableWidget*>(QStringLiteral("grdFindings"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rowCount(), 4);
    EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("山田 太郎"));
    EXPECT_EQ(list->item(0, 2)->text(), QStringLiteral("郵便番号不一致"));
    EXPECT_EQ(list->item(3, 2)->text(), QStringLiteral("名前なし"));
    EXPECT_FALSE(list->item(3, 0)->flags() & Qt::ItemIsUserCheckable) << "nothing to put in for a missing name";
    // The honorific is left to the user: its box unchecked.
    ASSERT_EQ(list->item(1, 2)->text(), QStringLiteral("敬称"));
    list->item(1, 0)->setCheckState(Qt::Unchecked);
    if (const char* screens = std::getenv("NRT_SCREEN_DIR")) {
        dialog.show();
        dialog.grab().save(QString::fromUtf8(screens) + QStringLiteral("/address-check.png"));
    }
    dialog.findChild<QPushButton*>(QStringLiteral("cmdMend"))->click();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(dialog.AppliedCount(), 2);
    EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("済"));

    AddressTable saved;
    ASSERT_EQ(saved.LoadTable(path), TableError::kNone);
    EXPECT_EQ(saved.Value(field::kPostalCode, 0), "100-0013");
    EXPECT_EQ(saved.Value(field::kPostalCode, 2), "100-0014");
    EXPECT_EQ(U(saved.Value(field::kHonorific, 1)), "御中");
    EXPECT_EQ(U(saved.Value(field::kAddress1, 0)), "千代田区霞が関1-3-1");

    // Nothing checked is left: a second press changes and saves nothing.
    dialog.findChild<QPushButton*>(QStringLiteral("cmdMend"))->click();
    EXPECT_EQ(saves, 1);
}
