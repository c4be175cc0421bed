#include "sync/SyncAccount.h"

#include "platform/Keyring.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/IniFile.h"
#include "sync/HttpSession.h"
#include "sync/SyncEngine.h"
#include "sync/SyncState.h"

namespace nrt::sync {
namespace {

constexpr const char* kSection = "SYNC";
constexpr const char* kPasswordKey = "PASSWORD";
constexpr const char* kAutoKey = "AUTO";

} // namespace

namespace {

// The keyring knows a password by the server's origin, so the setup (the server's root)
// and the syncs (the address book's own address) find the same one.
// A bare host, as the setup may be given, reads as the https address it stands for.
std::string Origin(std::string_view address)
{
    const std::string full = dav::url::FromUserInput(std::string(address));
    return dav::url::Scheme(full) + "://" + dav::url::HostAndPort(full);
}

bool WriteIni(std::string_view userIni, std::string_view password)
{
    IniFile ini;
    static_cast<void>(ini.Load(userIni)); // none yet: made here
    ini.Set(kSection, kPasswordKey, password);
    return ini.Save(userIni, 0600);
}

} // namespace

std::string StoredPassword(std::string_view userIni, std::string_view url, std::string_view user)
{
    std::string kept;
    if (platform::keyring::Lookup(Origin(url), user, &kept) == platform::keyring::KeyringResult::kDone)
        return kept;
    IniFile ini;
    if (!ini.Load(userIni))
        return {};
    const auto stored = ini.Get(kSection, kPasswordKey);
    return stored ? std::string(*stored) : std::string();
}

bool StorePassword(std::string_view userIni, std::string_view url, std::string_view user, std::string_view password)
{
    using platform::keyring::KeyringResult;
    const std::string origin = Origin(url);
    const KeyringResult kept
        = password.empty() ? platform::keyring::Forget(origin, user) : platform::keyring::Store(origin, user, password);
    if (kept == KeyringResult::kUnavailable)
        return WriteIni(userIni, password);
    IniFile ini;
    const bool inIni = ini.Load(userIni) && ini.Get(kSection, kPasswordKey).has_value();
    return !inIni || WriteIni(userIni, {});
}

bool AutoSync(std::string_view userIni)
{
    IniFile ini;
    return ini.Load(userIni) && ini.Get(kSection, kAutoKey) == "1";
}

bool SetAutoSync(std::string_view userIni, bool on)
{
    IniFile ini;
    const bool loaded = ini.Load(userIni);
    if (!on && !(loaded && ini.Get(kSection, kAutoKey).has_value()))
        return true;
    if (!loaded && platform::fs::IsFile(userIni))
        return false; // there but unreadable: not replaced by this one key
    ini.Set(kSection, kAutoKey, on ? "1" : "0");
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
