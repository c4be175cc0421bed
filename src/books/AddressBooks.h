#pragma once
// The independent address books, each a folder of the data folder (the windows call
// them ユーザー). The main book lives in "メインユーザー" (or, for data kept from before
// there were several books, in
// the data folder itself with an empty name); the others are listed in
// "userlist.dat" of the data folder in the order they were created. Creating,
// opening and removing a book, with every check of the windows that do it; each
// operation returns what it came to, and the window or the command that asked shows
// its message.

#include "db/LineList.h"
#include "platform/AskUser.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AddressTable;
class AppSettings;

class AddressBooks {
public:
    static constexpr std::size_t kNameLimit = 30;

    // "メインユーザー": the main book's folder and stored name.
    static const std::string& MainBookName();
    // "（メインユーザー）": how lists show the main book.
    static const std::string& MainBookCaption();
    // Whether a key may type this character into a book name: letters, digits, the
    // parentheses, "_", "@", "`" and every byte from 0x80 up (double-byte characters
    // and half-width katakana). Other single-byte characters are refused key by key.
    static bool IsTypable(unsigned char c);

    using AskUser = platform::AskUser;

    // Why an operation stopped short; each has the text of its box.
    enum class Refusal {
        kNone,
        kNoName, // "ユーザー名を入力して下さい。"
        kBadChar, // "使用出来ない文字(c)が使われました。"
        kBadName, // "不正なユーザー名です。"
        kMainBookName, // "メインユーザーは作成出来ません。別のユーザー名を入力して下さい。"
        kSystemName, // "システムが使用しています。別のユーザー名を入力して下さい。"
        kExists, // "既に存在するユーザーです。"
        kNoCopyPath, // "パスの指定がありません。"
        kNoCopySource, // "コピー元の指定がありません。"
        kNoCopyFile, // "コピー元のファイルが存在しません。"
        kNotSavedBeforeSwitch, // "開く前のデータ保存に失敗しました。"
        kListNotSaved, // "保存に失敗しました。"
        kNotLoaded, // "読み込みに失敗しました。"
        kNoneChosen, // "ユーザーを選択してください。"
        kAlreadyOpen, // "既に開かれています。"
        kMainBookStays, // "削除できないデータです。"
        kOpenBookStays, // "開いているユーザーは削除できません。"
        kNotRemoved, // "削除に失敗しました。"
    };
    // The box's text of a refusal; empty for kNone. `badChar` for kBadChar.
    static std::string RefusalText(Refusal refusal, char badChar = 0);

    // What an operation came to, and the message it leaves for the user.
    template <class Result> struct Outcome {
        Result result;
        Refusal refusal = Refusal::kNone;
        char badChar = 0; // kBadChar: the character refused
        // The text to show; empty when there is nothing to tell.
        std::string Message() const { return RefusalText(refusal, badChar); }
    };

    enum class Created {
        kRefused, // a message to show; the focus goes back to the name
        kCancelled,
        kEmpty,
        kFromCopy,
    };
    struct NewBook {
        std::string name;
        bool copy = false; // restore: the new book's files come from a copy source
        std::string copyFile; // the chosen "nrt.ndb" of the copy source
    };

    enum class Removed { kRemoved, kRefused, kCancelled, kFailed };

    class Observer {
    public:
        virtual ~Observer() = default;
        // The wait cursor while a table loads.
        virtual void Busy(bool /*on*/) { }
    };

    explicit AddressBooks(AppSettings& settings);

    // Reads "userlist.dat" again (a missing file is an empty list).
    void LoadList();
    const LineList& Names() const { return names_; }
    // The entries of the book lists of the windows: the main book's caption first,
    // then every listed name.
    std::vector<std::string> Entries() const;
    int EntryCount() const { return names_.GetCount() + 1; }
    // Whether entry i (as Entries numbers them) is the book now open.
    bool IsCurrentEntry(int entry) const;
    // The entry whose name is `name` ("（メインユーザー）" and "メインユーザー" both name
    // the main book), or -1.
    int FindEntry(std::string_view name) const;

    // The checks of a new name and, in copy mode, of its copy source; the question;
    // the current book's table (`openTable`, when there is one) and settings saved;
    // the new book made current with its folder; "userlist.dat" written. `copySource`
    // receives the folder to copy from in copy mode.
    [[nodiscard]] Outcome<Created> Create(
        const NewBook& request, AddressTable* openTable, const AskUser& ask, std::string* copySource = nullptr);
    // After Created::kEmpty: the new book's settings, and an empty table.
    void StartEmpty(AddressTable& table);
    // After the copy source was copied whole into the new book's folder
    // (Created::kFromCopy): the book added to "userlist.dat", its settings with the
    // backup counters reset, and its table, tried on a scratch table first. kNotLoaded
    // (the table is then empty) or kListNotSaved (the list could not be written).
    [[nodiscard]] Refusal FinishRestore(AddressTable& table, Observer* observer = nullptr);
    // After a copy that failed: the user `previous` current again, the new one unlisted.
    void AbandonRestore(const std::string& previous);

    // Opens entry i: checks, question, the current book's table and settings saved
    // (once while `saved` is false), the other table loaded, its book made current
    // and its settings read. True when it was opened.
    [[nodiscard]] Outcome<bool> Open(
        int entry, AddressTable& table, bool& saved, const AskUser& ask, Observer* observer = nullptr);
    // Takes entry i off "userlist.dat"; the book's folder and files stay.
    [[nodiscard]] Outcome<Removed> Remove(int entry, const AskUser& ask);

    // The open table (when it holds records) as "nrt.ndb" of the current book, then
    // the settings. kNotSavedBeforeSwitch when the table could not be saved.
    [[nodiscard]] Refusal SaveBeforeSwitch(AddressTable* table);

private:
    // Adds `name` to "userlist.dat" unless it is there; false when the list could not
    // be written.
    bool Register(const std::string& name);
    // Loads `path` into the table after a trial on a scratch table; false when either
    // load fails.
    static bool LoadChecked(AddressTable& table, const std::string& path);

    AppSettings& settings_;
    LineList names_;
};

} // namespace nrt
