#pragma once
// The user's print forms: names listed in "NrtRepList.dat", each with its layout
// file "<name>.ndp" and perhaps its printer settings "<name>.prd" in the book folder.
// Creating, renaming and deleting keep the three in step and say why they refuse;
// the windows and the command line show what they say and ask before a change.

#include <string>
#include <string_view>

namespace nrt {

class AppSettings;

// How a change of the print forms came out.
enum class FormChange {
    Done, // changed and the list file written
    NoSuchForm, // the index names no form: nothing to say
    NoKindChosen, // "種類を選択して下さい。"
    NoName, // "印刷名を入力して下さい。"
    NameTaken, // "既に存在する印刷名です。"
    NotAFileName, // "不正な印刷名です。": the name cannot stand for a file, or that file was not written
    LayoutNotWritten, // "不正な印刷名です。": the old form's layout file could not be made
    NoNewName, // "レポート名を入力して下さい。"
    ReservedWord, // "予約語が含まれています。"
    SameName, // "同一ファイル名です。"
    NewNameTaken, // "既に存在するレポート名です。"
    PrinterSettingsKept, // "プリンタ設定の名前変更に失敗しました。": renamed, its settings under the old name
    NothingSelected, // "リストを選択して下さい。"
    LastForm, // "全てのレポートを削除することは出来ません。"
    ListNotSaved, // "印刷フォームの一覧を保存できませんでした。": changed, but only until the program ends
};

struct FormResult {
    FormChange change = FormChange::Done;
    std::string reason; // the file and the system's reason (CP932), where there is one

    bool Done() const { return change == FormChange::Done; }
    // The name field should take the focus.
    bool AtName() const;
    // What the user is told (CP932): the program's text, the reason on lines below it;
    // empty when there is nothing to say.
    std::string Message() const;
};

// Index of the form of that name, letter case ignored; -1 when none.
int FindPrintForm(const AppSettings& settings, std::string_view name);

// The name field refuses these single-byte characters (space, the punctuation from
// "!" to "/", ":" to "?", "[" to "^"): they cannot stand in a file name everywhere.
bool IsRefusedNameChar(unsigned char c);

// Each change has its check, made before the user is asked; the change checks again.

// A new form: `kind` is the chosen kind, or 0 when none was chosen. The form gets the
// kind's default layout, saved under the name.
[[nodiscard]] FormResult CheckNewPrintForm(const AppSettings& settings, std::string_view name, int kind);
[[nodiscard]] FormResult CreatePrintForm(AppSettings& settings, std::string_view name, int kind);

// Form `index` renamed, with its files.
[[nodiscard]] FormResult CheckRenamePrintForm(const AppSettings& settings, int index, std::string_view newName);
[[nodiscard]] FormResult RenamePrintForm(AppSettings& settings, int index, std::string_view newName);

// Form `index` (-1 when nothing is selected) deleted, with its files.
[[nodiscard]] FormResult CheckDeletePrintForm(const AppSettings& settings, int index);
[[nodiscard]] FormResult DeletePrintForm(AppSettings& settings, int index);

// "<name>.ndp" and "<name>.prd" in the book folder.
std::string LayoutFilePath(const AppSettings& settings, std::string_view name);
std::string PrinterSettingsPath(const AppSettings& settings, std::string_view name);

} // namespace nrt
