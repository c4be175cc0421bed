#include "books/BookSafety.h"

#include "books/BackupSets.h"
#include "db/AddressTable.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"

namespace nrt {

std::string DamagedTableMessage(std::string_view path, int count)
{
    return SJ("宛名データ「") + std::string(path) + SJ("」の一部が読み込めませんでした（") + std::to_string(count)
        + SJ("件）。\n保存の前に元のファイルを別の名前で残します。");
}

std::string UnreadableTableMessage(std::string_view path)
{
    return SJ("宛名データ「") + std::string(path) + SJ("」を読み込めません。\nこのファイルは上書きしません。");
}

std::string DamagedCopyMessage(std::string_view copy)
{
    return SJ("元の宛名データを「") + std::string(copy) + SJ("」に残しました。");
}

std::string UnusableFolderMessage(std::string_view folder)
{
    return SJ("データフォルダ「") + std::string(folder) + SJ("」に書き込めません。");
}

std::string RepairQuestion(std::string_view path, int count)
{
    const std::string what = count > 0
        ? SJ("宛名データ「") + std::string(path) + SJ("」の一部が読み込めませんでした（") + std::to_string(count)
            + SJ("件）。")
        : SJ("宛名データ「") + std::string(path) + SJ("」は一部が壊れていましたが、全ての宛名を読み込みました。");
    return what
        + SJ("\n\n今すぐ修復しますか？（読み込めた宛名を保存し、元のファイルを別の名前で残します。"
             "「いいえ」では最初の保存の時に残します。）");
}

std::string DamagedBookRefusal(std::string_view path, int count)
{
    std::string text = SJ("宛名データ「") + std::string(path) + SJ("」は一部が壊れています");
    if (count > 0)
        text += SJ("（読み込めない宛名 ") + std::to_string(count) + SJ("件）");
    return text
        + SJ("。何も書き込みません。\n読み込めた宛名を保存するには、先に nortea-cli repair を実行して下さい"
             "（元のファイルは別の名前で残ります）。");
}

std::string LoadTroubleMessage(const AddressTable& table, std::string_view path)
{
    if (table.LoadFailedOnExistingFile())
        return UnreadableTableMessage(path);
    if (table.DamagedRecordCount() > 0)
        return DamagedTableMessage(path, table.DamagedRecordCount());
    if (!table.LoadedWhole())
        return SJ("宛名データ「") + std::string(path)
            + SJ("」は一部が壊れていましたが、全ての宛名を読み込みました。\n保存の前に元のファイルを別の名前で残します"
                 "。");
    return {};
}

int RemoveLeftoverTempFiles(const AppSettings& settings)
{
    int removed = 0;
    for (const std::string& folder :
        { settings.DataFolder(), settings.DataFile("yubin"), settings.BookFile({}), settings.BookFile("Mail") })
        removed += platform::fs::RemoveStaleTempFiles(folder);
    // Half-copied restores (beside the books' folders) and backup sets.
    removed += BackupSets::RemoveLeftovers(settings.DataFolder());
    const std::string& backups = settings.GetFolderBackupPath();
    if (!backups.empty() && backups.front() == '/' && !settings.BookName().empty())
        removed += BackupSets::RemoveLeftovers(backups + (backups.back() == '/' ? "" : "/") + settings.BookName());
    return removed;
}

void TightenPrivateFiles(const AppSettings& settings)
{
    // Older versions wrote the settings (with the mail password) readable by all.
    for (const std::string& ini : { settings.DataFile("NrtUser.ini"), settings.BookFile("NrtUser.ini") })
        if (platform::fs::IsFile(ini))
            platform::fs::MakePrivate(ini);
}

} // namespace nrt
