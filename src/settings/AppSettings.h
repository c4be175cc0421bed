#pragma once
// The one settings object of the program: its folders and path operations, the
// settings of "nrt.ini" and "NrtUser.ini", the display columns ("HyoList.dat"), the
// print form list ("NrtRepList.dat"), three window rectangles, the backup schedule,
// and the date services. Texts and paths are CP932 with "/" separators. Print layouts
// are not kept here: whoever prints or edits a form holds it (print/PrintForm.h).

#include "db/LineList.h"
#include "platform/FileWrite.h"
#include "settings/BookSettings.h"
#include "settings/EraDate.h"
#include "settings/LayoutDefaults.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

// The data version this program writes (major 1, minor 70).
inline constexpr std::int32_t kDataVersion = 170;
// Paths of this many bytes or more are refused.
inline constexpr std::size_t kPathLimit = 260;

// Where start-up finds its folders. Empty members are found as the program always
// did: the running program's folder; "nrt.ini" beside the program or else the
// per-user data folder; $HOME/Documents. A data folder given here is used as if
// "nrt.ini" stood beside the program there.
struct StartupFolders {
    std::string programFolder;
    std::string dataFolder;
    std::string documentsFolder;
};

struct FormRect {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const FormRect&) const = default;
};

// One column of the main list: its width in pixels and the field it shows.
struct DisplayColumn {
    static constexpr std::size_t kItemSize = 36;
    static constexpr std::size_t kNameBytes = 31; // in a 32-byte field with its NUL

    std::int32_t width = 0;
    std::string name;

    // The 36-byte item of "HyoList.dat"; nothing when the bytes are not one.
    static bool Decode(std::string_view item, DisplayColumn& column);
    std::string Encode() const;
    bool operator==(const DisplayColumn&) const = default;
};

class AppSettings {
public:
    static constexpr int kFormMain = 0;
    static constexpr int kFormLayoutEditor = 1;
    static constexpr int kFormPreview = 2;
    static constexpr int kFormCount = 3;

    // Fixes the folders, the postal dictionary's location and the documents folder.
    // Settings files are read only by ReadSettings.
    explicit AppSettings(const StartupFolders& folders = {});
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    // At start-up: the user named in "nrt.ini" becomes current (its folder created)
    // and the data version is checked. Always: every key of "NrtUser.ini" of the
    // current book, the display columns and the print form list, each with defaults.
    void ReadSettings(bool startup);
    // "nrt.ini", "NrtUser.ini" (readable by its owner only: it holds the mail
    // password) and "HyoList.dat". Each file is written whole or not at all; a failure
    // does not stop the files after it. The first file that failed, with its reason.
    [[nodiscard]] platform::FileWrite WriteSettings();

    // Folders.
    const std::string& ProgramFolder() const { return programFolder_; } // ends with "/"
    const std::string& DataFolder() const { return dataFolder_; } // ends with "/"
    // The per-user data folder holds books but cannot be written: the books are shown,
    // and every writer refuses with UnusableFolderMessage rather than write elsewhere.
    bool DataFolderUnwritable() const { return dataFolderUnwritable_; }
    const std::string& DocumentsFolder() const { return documentsFolder_; }
    void SetDocumentsFolder(std::string_view folder);
    // Empty for the data folder itself.
    const std::string& BookName() const { return bookName_; }
    const std::string& BookFolder() const { return bookFolder_; }
    // Makes the named folder of the data folder current and creates it. False (and
    // nothing changed) for a name that cannot be a folder name (DataPaths::IsUsableBookName).
    bool SetBookFolder(std::string_view name);
    // 1 when the postal dictionary is read from the data folder, 0 from the program's.
    int PostalLocation() const { return postalLocation_; }
    void SetPostalLocation(int location) { postalLocation_ = location ? 1 : 0; }
    // The data folder's dictionary wins when it was written later than the program's.
    void RefreshPostalLocation();

    // Paths. A result of 260 bytes or more shows "ファイル名が長すぎます。" and gives
    // the bare name instead (or an empty text when that is as long).
    std::string DataFile(std::string_view name) const;
    std::string ProgramFile(std::string_view name) const;
    // The book folder when the name is empty (never with a trailing "/").
    std::string BookFile(std::string_view name) const;
    std::string DocumentsFile(std::string_view name) const;
    // In "yubin" of the folder the postal location names; counted 10 bytes longer.
    std::string PostalFile(std::string_view name) const;
    // The folder of a path (no trailing "/"); the documents folder for an empty path,
    // one of 260 bytes or more, or one without a folder.
    std::string FolderOfFile(std::string_view path) const;

    // Remembered file locations in "NrtPath.dat": 1 CSV import, 2 CSV export, 3 postal list.
    std::string GetPathEntry(int index) const;
    bool SetPathEntry(int index, std::string_view path) const;

    // Settings of "NrtUser.ini" by key, and by name below.
    const BookSettings& Book() const { return book_; }
    BookSettings& Book() { return book_; }
    std::int32_t DataVersion() const { return dataVersion_; }

    bool GetEraDates() const { return book_.Flag(kS_EraDates); }
    void SetEraDates(bool on) { book_.SetFlag(kS_EraDates, on); }
    bool GetFurigana() const { return book_.Flag(kS_Furigana); }
    void SetFurigana(bool on) { book_.SetFlag(kS_Furigana, on); }
    bool GetFull() const { return book_.Flag(kS_Full); }
    void SetFull(bool on) { book_.SetFlag(kS_Full, on); }
    std::int32_t GetScalePercent() const { return book_.Int(kS_ScalePercent); }
    void SetScalePercent(std::int32_t percent) { book_.SetInt(kS_ScalePercent, percent); }
    // Whether the user was once asked to turn the book's stored readings into half-width
    // katakana.
    bool GetKanaChecked() const { return book_.Flag(kS_KanaChecked); }
    void SetKanaChecked(bool on) { book_.SetFlag(kS_KanaChecked, on); }

    const std::string& GetMailHost() const { return book_.Text(kS_MailHost); }
    void SetMailHost(std::string_view host) { book_.SetText(kS_MailHost, host); }
    // -1 stands for the "mail" service's port.
    std::int32_t GetMailPort() const { return book_.Int(kS_MailPort); }
    void SetMailPort(std::int32_t port) { book_.SetInt(kS_MailPort, port); }
    // 0 none, 1 LOGIN, 2 CRAM-MD5.
    std::int32_t GetMailAuth() const { return book_.Int(kS_MailAuth); }
    void SetMailAuth(std::int32_t auth) { book_.SetInt(kS_MailAuth, auth); }
    const std::string& GetMailUser() const { return book_.Text(kS_MailUser); }
    void SetMailUser(std::string_view user) { book_.SetText(kS_MailUser, user); }
    const std::string& GetMailPassword() const { return book_.Text(kS_MailPassword); }
    void SetMailPassword(std::string_view password) { book_.SetText(kS_MailPassword, password); }
    std::int32_t GetMailWrap() const { return book_.Int(kS_MailWrap); }
    // Below 10 gives 10, above 255 gives 255.
    void SetMailWrap(std::int32_t width) { book_.SetInt(kS_MailWrap, width); }
    // 0 plain, 1 STARTTLS, 2 TLS from the first byte.
    std::int32_t GetMailSsl() const { return book_.Int(kS_MailSsl); }
    void SetMailSsl(std::int32_t mode) { book_.SetInt(kS_MailSsl, mode); }
    std::int32_t GetMailTimeout() const { return book_.Int(kS_MailTimeout); }
    void SetMailTimeout(std::int32_t seconds) { book_.SetInt(kS_MailTimeout, seconds); }
    // A bulk mailing rests this many seconds after every so many messages; 0 for either
    // means no rests. Both 0-9999.
    std::int32_t GetMailRestEvery() const { return book_.Int(kS_MailRestEvery); }
    void SetMailRestEvery(std::int32_t messages) { book_.SetInt(kS_MailRestEvery, messages); }
    std::int32_t GetMailRestSeconds() const { return book_.Int(kS_MailRestSeconds); }
    void SetMailRestSeconds(std::int32_t seconds) { book_.SetInt(kS_MailRestSeconds, seconds); }
    // Certificates (PEM) trusted for the mail server besides the system's; may be empty.
    const std::string& GetMailCaFile() const { return book_.Text(kS_MailCaFile); }
    void SetMailCaFile(std::string_view path) { book_.SetText(kS_MailCaFile, path); }
    bool GetMailClearAuth() const { return book_.Flag(kS_MailClearAuth); }
    void SetMailClearAuth(bool on) { book_.SetInt(kS_MailClearAuth, on ? 1 : 0); }
    // The waits before the new tries of recipients refused for the time being, in
    // seconds separated by commas ("60,300,900"); empty for those.
    const std::string& GetMailRetryWaits() const { return book_.Text(kS_MailRetryWaits); }
    void SetMailRetryWaits(std::string_view seconds) { book_.SetText(kS_MailRetryWaits, seconds); }
    // n = 1..4
    bool GetMailFlag(int n) const;
    void SetMailFlag(int n, bool on);

    std::int32_t GetMonthlyBackupMonth() const { return book_.Int(kS_MonthlyBackupMonth); }
    void SetMonthlyBackupMonth(std::int32_t ym) { book_.SetInt(kS_MonthlyBackupMonth, ym); }
    std::int32_t GetKeptBack2Date() const { return book_.Int(kS_KeptBack2Date); }
    void SetKeptBack2Date(std::int32_t ymd) { book_.SetInt(kS_KeptBack2Date, ymd); }
    std::int32_t GetFolderBackupOn() const { return book_.Int(kS_FolderBackupOn); }
    void SetFolderBackupOn(std::int32_t on) { book_.SetInt(kS_FolderBackupOn, on); }
    const std::string& GetFolderBackupPath() const { return book_.Text(kS_FolderBackupPath); }
    void SetFolderBackupPath(std::string_view path) { book_.SetText(kS_FolderBackupPath, path); }
    std::int32_t GetFolderBackupSets() const { return book_.Int(kS_FolderBackupSets); }
    void SetFolderBackupSets(std::int32_t generations) { book_.SetInt(kS_FolderBackupSets, generations); }
    std::int32_t GetFolderBackupInterval() const { return book_.Int(kS_FolderBackupInterval); }
    void SetFolderBackupInterval(std::int32_t interval) { book_.SetInt(kS_FolderBackupInterval, interval); }
    std::int32_t GetFolderBackupGeneration() const { return book_.Int(kS_FolderBackupGeneration); }
    void SetFolderBackupGeneration(std::int32_t generation) { book_.SetInt(kS_FolderBackupGeneration, generation); }
    std::int32_t GetFolderBackupDate() const { return book_.Int(kS_FolderBackupDate); }
    void SetFolderBackupDate(std::int32_t ymd) { book_.SetInt(kS_FolderBackupDate, ymd); }

    // Window rectangles (kFormMain, kFormLayoutEditor, kFormPreview); other indices
    // are ignored. A window is moved to its rectangle only when HasFormRect holds.
    void SaveFormRect(int index, std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
    FormRect GetFormRect(int index) const;
    bool HasFormRect(int index) const;

    // Backup schedule, against platform::GetClock().
    // True once per new month (BACK YM takes the month).
    bool MonthlyBackupDue();
    // HINDO 0 never; else 7, 31 or 1 day since HBACK YMD. A YMD of 0 takes today.
    bool IntervalBackupDue();
    void StampIntervalBackup();
    // The backup set number to write next: 1 .. SU.
    int NextGeneration() const;
    // NextGeneration, and the counter moves on (back to 0 on reaching SU).
    int AdvanceGeneration();
    // "nrt.ndb" of the book folder copied over "nrt_ndb.bk2".
    bool SaveTableCopy() const;

    // Display columns: 36-byte items, in display order.
    const LineList& DisplayColumns() const { return columns_; }
    int DisplayColumnCount() const { return columns_.GetCount(); }
    // The column; width 0 and an empty name when i is out of range.
    DisplayColumn GetDisplayColumn(int i) const;
    void ClearDisplayColumns() { columns_.Clear(); }
    bool AddDisplayColumn(std::string_view name, std::int32_t width);
    bool SetDisplayColumnWidth(int i, std::int32_t width);
    void SetDefaultDisplayColumns();

    // Print form names; written only by SaveFormList.
    LineList& FormList() { return forms_; }
    const LineList& FormList() const { return forms_; }
    [[nodiscard]] platform::FileWrite SaveFormList() const;

    // Dates (EraDate.h).
    std::string EraToGregorian(std::string_view text) const { return nrt::EraToGregorian(text); }
    bool IsValidDate(std::string_view text) const { return nrt::IsValidDate(text); }
    std::string FormatDate(std::string_view text, bool eraForm) const { return nrt::FormatDate(text, eraForm); }

    static int FormKindOfName(std::string_view name) { return nrt::FormKindOfName(name); }

private:
    std::string Checked(std::string path, std::string_view name, std::size_t extra = 0) const;
    static bool HoldsBook(const std::string& folder);
    void LoadDisplayColumns();
    void LoadFormList();

    std::string programFolder_;
    std::string dataFolder_;
    bool dataFolderUnwritable_ = false;
    std::string documentsFolder_;
    std::string bookName_;
    std::string bookFolder_;
    int postalLocation_ = 0;
    std::int32_t dataVersion_ = kDataVersion;
    BookSettings book_;
    LineList columns_;
    LineList forms_;
};

} // namespace nrt
