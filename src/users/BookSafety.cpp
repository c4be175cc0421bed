#include "users/BookSafety.h"

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

std::string LoadTroubleMessage(const AddressTable& table, std::string_view path)
{
    if (table.LoadFailedOnExistingFile())
        return UnreadableTableMessage(path);
    if (table.DamagedRecordCount() > 0)
        return DamagedTableMessage(path, table.DamagedRecordCount());
    if (!table.LoadedWhole())
        return SJ("宛名データ「") + std::string(path)
            + SJ("」は一部が壊れていましたが、全ての宛名を読み込みました。\n保存の前に元のファイルを別の名前で残します。");
    return {};
}

int RemoveLeftoverTempFiles(const AppSettings& global)
{
    int removed = 0;
    for (const std::string& folder : { global.DataFolder(), global.DataFile("yubin"), global.UserFile({}),
             global.UserFile("Mail") })
        removed += platform::fs::RemoveStaleTempFiles(folder);
    return removed;
}

} // namespace nrt
