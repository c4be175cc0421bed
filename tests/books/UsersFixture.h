#pragma once
// A data folder with the main user open on an empty default table, a frozen clock and
// a message host that records every box.

#include "db/AddressTable.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace nrt::test {

class UsersFixture : public ::testing::Test {
protected:
    UsersFixture()
    {
        folders.dataFolder = dir.Path() + "/data";
        folders.programFolder = dir.Path() + "/program";
        folders.documentsFolder = dir.Path() + "/docs";
        platform::fs::MakeDirs(folders.programFolder);
        clock.now = { 2025, 1, 8, 9, 0, 0, 3 };
        settings = std::make_unique<AppSettings>(folders);
        settings->ReadSettings(true);
        table.CreateDefaultTable();
    }

    std::string Data() const { return settings->DataFolder(); }
    void AddRecord(AddressTable& db, const char* name)
    {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kPrintMark, "1"), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kName, S(name)), RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    }
    static std::vector<std::string> Names(const AddressTable& db)
    {
        std::vector<std::string> out;
        for (int k = 0; k < db.GetRecordCount(); ++k)
            out.push_back(U(db.Value(field::kName, k)));
        return out;
    }
    // Every file and folder under `root`, relative, sorted, UTF-8; folders end with "/".
    static std::vector<std::string> Tree(const std::string& root, const std::string& rel = {})
    {
        std::vector<std::string> out;
        for (const auto& e : platform::fs::ListDir(rel.empty() ? root : root + "/" + rel)) {
            const std::string child = rel.empty() ? e.name : rel + "/" + e.name;
            out.push_back(U(child) + (e.isDirectory ? "/" : ""));
            if (e.isDirectory) {
                const auto inner = Tree(root, child);
                out.insert(out.end(), inner.begin(), inner.end());
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    TempDir dir;
    StartupFolders folders;
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    platform::FakeClock clock;
    platform::ScopedClock clockScope { clock };
    std::unique_ptr<AppSettings> settings;
    AddressTable table;
};

} // namespace nrt::test
