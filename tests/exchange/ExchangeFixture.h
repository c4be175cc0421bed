#pragma once
// A data folder with the main user and a documents folder, an empty default table,
// and a message host that records every box.

#include "db/AddressTable.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace nrt::test {

class ExchangeFixture : public ::testing::Test {
protected:
    ExchangeFixture()
    {
        StartupFolders folders;
        folders.dataFolder = dir.Path() + "/data";
        folders.programFolder = dir.Path() + "/program";
        folders.documentsFolder = dir.Path() + "/docs";
        platform::fs::MakeDirs(folders.programFolder);
        platform::fs::MakeDirs(folders.documentsFolder);
        settings = std::make_unique<AppSettings>(folders);
        settings->ReadSettings(true);
        table.CreateDefaultTable();
    }

    std::string Docs(const char* utf8Name) const { return settings->DocumentsFile(S(utf8Name)); }
    std::string UserPath(const char* utf8Name) const { return settings->BookFile(S(utf8Name)); }
    // Texts of the boxes shown so far, UTF-8.
    std::vector<std::string> Shown() const
    {
        std::vector<std::string> out;
        for (const auto& m : host.shown)
            out.push_back(U(m.text));
        return out;
    }

    TempDir dir;
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    std::unique_ptr<AppSettings> settings;
    AddressTable table;
};

} // namespace nrt::test
