#pragma once
// Backup sets: the current book's files copied into "PATH/<book>/SV<n>", n rotating
// through 1 .. SU, with the date of each set kept in "back.ls2" of the book folder.
// Restoring copies a set into a new book's folder with the same copy routine. Every
// file is copied whole under a temporary name and then renamed, so a copy that fails
// half-way never leaves a truncated file under the destination name. Failures come
// back with their message for the window or the command to show.

#include <string>
#include <string_view>

namespace nrt {

class AddressTable;
class AppSettings;

class BackupSets {
public:
    // Results of Backup.
    enum Result : int {
        kBackedUp = 0,
        kNoBookName = 1, // "ユーザーの取得に失敗しました。"
        kNoDestination = 2, // "パスを指定してください。"
        kCopyFailed = 3, // a file of the set could not be copied (its message names the path)
    };

    // What a step came to: whether it went through, and the message of its failure
    // (empty when there is nothing to tell).
    struct Done {
        bool ok = true;
        std::string message {};
    };
    struct BackupOutcome {
        Result result = kBackedUp;
        std::string message {};
    };

    class Observer {
    public:
        virtual ~Observer() = default;
        // The file about to be copied, by its destination path.
        virtual void Copying(std::string_view /*destination*/) { }
    };

    // The files of a set, in the order they are copied ("nrt.ndb" first: a set needs
    // it; the others only when the book folder has them). Patterns begin with "*".
    static constexpr const char* kSetFiles[] = { "nrt.ndb", "NrtUser.ini", "*.nms", "userlist.dat", "NrtPath.dat",
        "NrtRepList.dat", "HyoList.dat", "*.lst", "*.ndp", "*.prd" };
    static constexpr const char* kMailFolder = "Mail";
    static constexpr const char* kMailFiles[] = { "*.mlt", "*.log", "*.mlb" };

    // Copies one name, or every file matching a pattern, from folder `from` (plus
    // `subfolder`) to folder `to` (plus `subfolder`), overwriting. A missing plain
    // name is reported only when `report`; a pattern copy that fails after a match
    // always is. Ok when everything asked for was copied.
    [[nodiscard]] static Done CopyEntry(std::string_view from, std::string_view to, std::string_view name, bool report,
        std::string_view subfolder = {}, Observer* observer = nullptr);
    // CopyEntry of a name or pattern the set holds only when present: ok when it was
    // copied or is not there; a file that is there and could not be copied is reported
    // with its destination path.
    [[nodiscard]] static Done CopyPresent(std::string_view from, std::string_view to, std::string_view name,
        std::string_view subfolder = {}, Observer* observer = nullptr);
    // The whole set from folder `from` to folder `to`: ok only when every file of it
    // that is there was copied whole. The first that was not is reported and ends it.
    // The set is made in a new folder beside `to` (with the files `to` already holds
    // beyond the set) that then takes its place whole: `to` never holds half a set.
    [[nodiscard]] static Done CopySet(std::string_view from, std::string_view to, Observer* observer = nullptr);
    // Removes what a killed CopySet left in `folder` (the parent of its target): the
    // new folder it was filling, and puts back an old one it had moved aside. Runs
    // still going are left alone. Returns how many folders went.
    static int RemoveLeftovers(std::string_view folder);

private:
    // CopyEntry and CopyPresent writing into `to` while naming `shownTo` to the observer
    // and in messages (the folder the copy will become).
    static Done CopyEntryShown(std::string_view from, std::string_view to, std::string_view shownTo,
        std::string_view name, bool report, std::string_view subfolder, Observer* observer);
    static Done CopyPresentShown(std::string_view from, std::string_view to, std::string_view shownTo,
        std::string_view name, std::string_view subfolder, Observer* observer);
    // Every file of the set into the existing folder `to`.
    static Done CopyInto(std::string_view from, std::string_view to, std::string_view shownTo, Observer* observer);

public:
    // The set folder the next backup writes: PATH/<book>/SV<n> (no trailing "/").
    static std::string SetFolder(const AppSettings& settings, int setNumber);
    // A backup of the current book into the next set: the counters, the date and
    // "back.ls2" move on only when the whole set was copied. `setNumber` receives the set.
    [[nodiscard]] static BackupOutcome Backup(
        AppSettings& settings, Observer* observer = nullptr, int* setNumber = nullptr);

    // The menu's backup is possible only with backups switched on; otherwise
    // "バックアップの設定をしてください。".
    [[nodiscard]] static Done CheckEnabled(const AppSettings& settings);
    // The offer at start-up: backups on and one due (a first start only records the date).
    static bool OfferDue(AppSettings& settings);
    // Before a backup on request: the open table (when it holds records) as "nrt.ndb",
    // then the settings. "保存に失敗しました。" when the table could not be saved.
    [[nodiscard]] static Done SaveBeforeBackup(AppSettings& settings, const AddressTable& table);
};

} // namespace nrt
