#pragma once
// Users: the independent address books, each a folder of the data folder. The main
// user lives in "メインユーザー" (or, for data kept from before there were users, in
// the data folder itself with an empty name); the others are listed in
// "userlist.dat" of the data folder in the order they were created. Creating,
// opening and removing a user, with every check and message of the windows that do
// it; the windows only show the results.

#include "db/LineList.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AddressTable;
class AppSettings;

class AddressBooks {
public:
    static constexpr std::size_t kNameLimit = 30;

    // "メインユーザー": the main user's folder and stored name.
    static const std::string& MainUserName();
    // "（メインユーザー）": how lists show the main user.
    static const std::string& MainUserCaption();
    // Whether a key may type this character into a user name: letters, digits, the
    // parentheses, "_", "@", "`" and every byte from 0x80 up (double-byte characters
    // and half-width katakana). Other single-byte characters are refused key by key.
    static bool IsTypable(unsigned char c);

    // Results of Create.
    enum CreateResult : int {
        kCreateRefused = 0, // a message was shown; the focus goes back to the name
        kCreateCancelled = 1,
        kCreatedEmpty = 2,
        kCreatedFromCopy = 3,
    };
    struct NewUser {
        std::string name;
        bool copy = false; // restore: the new user's files come from a copy source
        std::string copyFile; // the chosen "nrt.ndb" of the copy source
    };

    // Results of Open and Remove.
    enum OpenResult : int { kNotOpened = 0, kOpened = 1 };
    enum RemoveResult : int { kRemoved = 0, kRemoveRefused = 1, kRemoveCancelled = 2, kRemoveFailed = 3 };

    class Observer {
    public:
        virtual ~Observer() = default;
        // The wait cursor while a table loads.
        virtual void Busy(bool /*on*/) { }
    };

    explicit AddressBooks(AppSettings& global);

    // Reads "userlist.dat" again (a missing file is an empty list).
    void LoadList();
    const LineList& Names() const { return names_; }
    // The entries of the user lists of the windows: the main user's caption first,
    // then every listed name.
    std::vector<std::string> Entries() const;
    int EntryCount() const { return names_.GetCount() + 1; }
    // Whether entry i (as Entries numbers them) is the user now open.
    bool IsCurrentEntry(int entry) const;
    // The entry whose name is `name` ("（メインユーザー）" and "メインユーザー" both name
    // the main user), or -1.
    int FindEntry(std::string_view name) const;

    // The checks of a new name and, in copy mode, of its copy source; the question;
    // the current user's table (`openTable`, when there is one) and settings saved;
    // the new user made current with its folder; "userlist.dat" written. `copySource`
    // receives the folder to copy from in copy mode.
    int Create(const NewUser& request, AddressTable* openTable, std::string* copySource = nullptr);
    // After kCreatedEmpty: the new user's settings, and an empty table.
    void StartEmpty(AddressTable& table);
    // After the copy source was copied whole into the new user's folder
    // (kCreatedFromCopy): the user added to "userlist.dat", its settings with the
    // backup counters reset, and its table, tried on a scratch table first. False
    // after "読み込みに失敗しました。" (the table is then empty) or "保存に失敗しました。"
    // (the list could not be written).
    bool FinishRestore(AddressTable& table, Observer* observer = nullptr);
    // After a copy that failed: the user `previous` current again, the new one unlisted.
    void AbandonRestore(const std::string& previous);

    // Opens entry i: checks, question, the current user's table and settings saved
    // (once while `saved` is false), the other table loaded, its user made current
    // and its settings read.
    int Open(int entry, AddressTable& table, bool& saved, Observer* observer = nullptr);
    // Takes entry i off "userlist.dat"; the user's folder and files stay.
    int Remove(int entry);

    // The open table (when it holds records) as "nrt.ndb" of the current user, then
    // the settings. False after "開く前のデータ保存に失敗しました。".
    bool SaveBeforeSwitch(AddressTable* table);

private:
    // Adds `name` to "userlist.dat" unless it is there; false after "保存に失敗しました。".
    bool Register(const std::string& name);
    // Loads `path` into the table after a trial on a scratch table; false when either
    // load fails.
    static bool LoadChecked(AddressTable& table, const std::string& path);

    AppSettings& global_;
    LineList names_;
};

} // namespace nrt
