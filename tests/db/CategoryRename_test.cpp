// Renaming a category in the records that carry it.
#include "db/CategoryRename.h"

#include "platform/MessageHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;

namespace {

struct Row {
    const char* major;
    const char* minor;
    const char* minor2;
    const char* sender;
};

void Fill(AddressTable& db, const std::vector<Row>& rows)
{
    db.CreateDefaultTable();
    for (const Row& r : rows) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kSender, r.sender), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kCategory, S(r.major)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kSubcategory, S(r.minor)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kSubcategory2, S(r.minor2)), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
}

std::vector<std::string> Column(const AddressTable& db, int field)
{
    std::vector<std::string> out;
    for (int k = 0; k < db.GetRecordCount(); ++k)
        out.push_back(U(db.Value(field, k)));
    return out;
}

} // namespace

TEST(CategoryRename, RenamesExactlyTheRecordsThatCarryTheCategory)
{
    struct Case {
        const char* field;
        const char* oldName;
        const char* newName;
        int renamed;
        std::vector<std::string> major;
        std::vector<std::string> minor;
    } cases[] = {
        { "大分類", "友人", "親友", 3,
            { "親友", "友人会", "親友", "会社", "*人", "Friends", "friends", "O'Brien", "親友" },
            { "友人", "友人", "", "", "", "", "", "", "" } },
        // "=" compares letters case-insensitively.
        { "大分類", "FRIENDS", "仲間", 2,
            { "友人", "友人会", "友人", "会社", "*人", "仲間", "仲間", "O'Brien", "友人" },
            { "友人", "友人", "", "", "", "", "", "", "" } },
        // A "*" is a wildcard to the condition, not to the rename.
        { "大分類", "*人", "人々", 1,
            { "友人", "友人会", "友人", "会社", "人々", "Friends", "friends", "O'Brien", "友人" },
            { "友人", "友人", "", "", "", "", "", "", "" } },
        { "大分類", "O'Brien", "オブライエン", 1,
            { "友人", "友人会", "友人", "会社", "*人", "Friends", "friends", "オブライエン", "友人" },
            { "友人", "友人", "", "", "", "", "", "", "" } },
        // Only 小分類, never 小分類２.
        { "小分類", "友人", "同僚", 2,
            { "友人", "友人会", "友人", "会社", "*人", "Friends", "friends", "O'Brien", "友人" },
            { "同僚", "同僚", "", "", "", "", "", "", "" } },
        { "大分類", "いない", "誰か", 0,
            { "友人", "友人会", "友人", "会社", "*人", "Friends", "friends", "O'Brien", "友人" },
            { "友人", "友人", "", "", "", "", "", "", "" } },
        // An empty item names no category: the uncategorised records stay so.
        { "小分類", "", "なし", 0, { "友人", "友人会", "友人", "会社", "*人", "Friends", "friends", "O'Brien", "友人" },
            { "友人", "友人", "", "", "", "", "", "", "" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oldName);
        AddressTable db;
        Fill(db,
            { { "友人", "友人", "友人", "0" }, { "友人会", "友人", "", "0" }, { "友人", "", "", "1" },
                { "会社", "", "", "0" }, { "*人", "", "", "0" }, { "Friends", "", "", "0" }, { "friends", "", "", "0" },
                { "O'Brien", "", "", "0" }, { "友人", "", "", "1" } });
        EXPECT_EQ(RenameCategory(db, S(c.field), S(c.oldName), S(c.newName)), c.renamed);
        EXPECT_EQ(Column(db, field::kCategory), c.major);
        EXPECT_EQ(Column(db, field::kSubcategory), c.minor);
        EXPECT_EQ(U(db.Value(field::kSubcategory2, 0)), "友人");
    }
}

TEST(CategoryRename, FailuresAreReported)
{
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    AddressTable db;
    Fill(db, { { "友人", "", "", "0" } });
    EXPECT_EQ(RenameCategory(db, S("分類"), S("友人"), S("親友")), -1) << "no such field";
    EXPECT_EQ(RenameCategory(db, S("大分類"), S("友人"), std::string(31, 'x')), -1) << "too long for the field";
    EXPECT_EQ(U(db.Value(field::kCategory, 0)), "友人");
    EXPECT_EQ(CategoryCondition(S("大分類"), "O'B"), S("大分類='O''B' "));
}
