#include "sync/SyncAccount.h"

#include "platform/sjis.h"
#include "settings/IniFile.h"
#include "sync/SyncEngine.h"
#include "sync/SyncState.h"

namespace nrt::sync {
namespace {

constexpr const char* kSection = "SYNC";
constexpr const char* kPasswordKey = "PASSWORD";

} // namespace

std::string StoredPassword(std::string_view userIni)
{
    IniFile ini;
    if (!ini.Load(userIni))
        return {};
    const auto stored = ini.Get(kSection, kPasswordKey);
    return stored ? std::string(*stored) : std::string();
}

bool StorePassword(std::string_view userIni, std::string_view password)
{
    IniFile ini;
    ini.Load(userIni);
    ini.Set(kSection, kPasswordKey, password);
    return ini.Save(userIni, 0600);
}

bool SaveSetup(std::string_view statePath, const dav::AddressBookInfo& book, const std::string& user)
{
    SyncState state;
    if (!(state.Load(statePath) && state.url == book.url && state.user == user)) {
        state = {};
        state.url = book.url;
        state.user = user;
    }
    state.syncCollection = book.syncCollection;
    return state.Save(statePath);
}

std::string Summary(const SyncReport& report, bool dryRun)
{
    std::string out;
    const auto line
        = [&out](const char* utf8, int n) { out += platform::Utf8ToSjis(utf8) + ": " + std::to_string(n) + "\n"; };
    line(dryRun ? "アップロード予定" : "アップロード", report.uploaded);
    line("ダウンロード", report.downloaded);
    line("統合", report.merged);
    line("競合", report.conflicts);
    line("削除（住所録）", report.deletedLocally);
    line("削除（サーバー）", report.deletedRemotely);
    line("リクエスト", report.requests);
    return out;
}

} // namespace nrt::sync
