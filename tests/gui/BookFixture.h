#pragma once
// An address book in a temporary data folder, opened in the main window with a
// recording message host, for the tests of the windows opened from it.

#include "app/MainWindow.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nrt::test {

// One record: UTF-8 values by field name; fields not named stay empty.
struct Entry {
    std::vector<std::pair<const char*, const char*>> values;
};

class BookFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.dataFolder = dir.Path();
        folders.programFolder = dir.Path();
        folders.documentsFolder = dir.Path();
        AppSettings g(folders);
        g.ReadSettings(true);
        userFolder = g.BookFile({});
        platform::fs::MakeDirs(userFolder);
    }

    std::string BookFile(const char* utf8) const { return userFolder + "/" + S(utf8); }

    void WriteTable(const std::vector<Entry>& entries)
    {
        AddressTable db;
        db.CreateDefaultTable();
        for (const Entry& e : entries) {
            db.ClearCurrent();
            for (const auto& [field, value] : e.values)
                EXPECT_EQ(db.SetValueByName(S(field), S(value)), RecordError::kNone);
            EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        }
        ASSERT_EQ(db.SaveTable(BookFile("nrt.ndb")), TableError::kNone);
    }

    // CR LF lines of UTF-8 text.
    void WriteLines(const char* file, const std::vector<const char*>& lines)
    {
        std::string bytes;
        for (const char* l : lines)
            bytes += S(l) + "\r\n";
        WriteAll(BookFile(file), bytes);
    }

    void Open() { main = std::make_unique<gui::MainWindow>(folders); }

    // The value of a field of table record k, as UTF-8.
    std::string Value(int k, const char* field) const
    {
        const char* v = main->Table().GetValueByName(S(field), k);
        return v ? U(v) : "<none>";
    }
    // The UTF-8 texts of the messages shown so far.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const auto& m : host.shown)
            out.push_back(U(m.text));
        return out;
    }

    // Runs `inside` once the next modal window is up (it must close it), then `open`,
    // which starts that window.
    static void WhileModal(const std::function<void(QWidget*)>& inside, const std::function<void()>& open)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            ran = true;
            inside(modal);
        });
        open();
        EXPECT_TRUE(ran) << "no modal window came up";
    }

    TempDir dir;
    StartupFolders folders;
    std::string userFolder;
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    std::unique_ptr<gui::MainWindow> main;
};

} // namespace nrt::test
