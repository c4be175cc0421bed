#pragma once
// What keeps an address book from being lost: the data folder's write lock, the
// messages about a table that did not load whole, and the clean-up of temporary files
// that a killed save left behind. Shared by the window and nortea-cli.

#include <string>
#include <string_view>

namespace nrt {

class AppSettings;
class AddressTable;

// The lock file in the data folder held by every writer: the window while it is open,
// a writing command of nortea-cli from before its load to after its save.
inline constexpr char kWriteLockName[] = "nrt.lock";

// "宛名データ「…」の一部が読み込めませんでした（N件）。…"
std::string DamagedTableMessage(std::string_view path, int count);
std::string UnreadableTableMessage(std::string_view path);
std::string DamagedCopyMessage(std::string_view copy);
std::string UnusableFolderMessage(std::string_view folder);
// The window's question at opening a book that did not load whole: repair it now?
std::string RepairQuestion(std::string_view path, int count);
// A writing command's refusal of a book that did not load whole.
std::string DamagedBookRefusal(std::string_view path, int count);
// The message for what the last load of `table` from `path` found; empty when it
// loaded whole or the file did not exist.
std::string LoadTroubleMessage(const AddressTable& table, std::string_view path);

// Removes leftover temporary files of killed saves from the data folder, its
// dictionary folder, the current book's folder and its mail folder, and the folders
// of killed restores and backups (BackupSets::RemoveLeftovers).
int RemoveLeftoverTempFiles(const AppSettings& settings);
// Takes the group's and others' permissions off the settings files of the data folder
// and the current book ("NrtUser.ini" holds the mail password).
void TightenPrivateFiles(const AppSettings& settings);

} // namespace nrt
