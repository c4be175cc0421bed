#include "sync/SyncEngine.h"

#include "db/AddressTable.h"
#include "exchange/VCardExport.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "sync/CardFields.h"

#include <map>
#include <set>
#include <unordered_map>

namespace nrt::sync {
namespace {

// Writes between two saves of the state: a kill repeats at most these.
constexpr int kStateEvery = 50;

std::string Join(const std::string& folder, const char* name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The card's file name on the server: its UID with what a path cannot hold replaced.
std::string FileName(const std::string& uid)
{
    std::string name;
    for (unsigned char c : uid)
        name += std::isalnum(c) || c == '-' || c == '_' || c == '.' ? static_cast<char>(c) : '_';
    return name + ".vcf";
}

// The path of an absolute URL, as hrefs are written.
std::string PathOf(const std::string& url)
{
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const std::size_t path = url.find('/', scheme + 3);
    return path == std::string::npos ? "/" : url.substr(path);
}

struct Fetched {
    std::string href, etag, vcard;
};

enum class Upload { kCreate, kUpdate };

} // namespace

SyncEngine::SyncEngine(AddressTable& table, std::string folder, dav::DavAccount account, std::function<bool()> save)
    : table_(table)
    , folder_(std::move(folder))
    , account_(std::move(account))
    , save_(std::move(save))
{
}

std::string SyncEngine::StatePath() const
{
    return Join(folder_, SyncState::kFileName);
}

std::string SyncEngine::ConflictsPath() const
{
    return Join(folder_, ConflictList::kFileName);
}

SyncReport SyncEngine::Run(const SyncOptions& options)
{
    SyncReport report;
    SyncState state;
    if (std::string error; !state.Load(StatePath(), &error)) {
        report.result = SyncReport::Result::kNotSetUp;
        report.message = error;
        return report;
    }
    ConflictList conflicts;
    if (!conflicts.Load(ConflictsPath())) {
        report.result = SyncReport::Result::kFailed;
        report.message = SJ("同期の競合の一覧が読めません。");
        return report;
    }
    const auto step = [&options](std::string_view name) {
        if (options.afterStep)
            options.afterStep(name);
    };
    dav::DavAccount account = account_;
    account.url = state.url;
    dav::DavClient client(account);
    client.SetCancelFlag(options.cancel);
    client.SetWaiting(options.waiting);
    using Phase = SyncOptions::Phase;
    const auto progress = [&options](Phase phase, std::size_t done, std::size_t total) {
        if (options.progress)
            options.progress(phase, static_cast<int>(done), static_cast<int>(total));
    };
    const auto failed = [&](const dav::DavOutcome& outcome) {
        report.result = SyncReport::Result::kFailed;
        report.message = outcome.Message();
        report.requests = client.Requests();
        return report;
    };
    const auto localFailure = [&](const std::string& message) {
        report.result = SyncReport::Result::kFailed;
        report.message = message;
        report.requests = client.Requests();
        return report;
    };

    // 2. What the server changed.
    std::vector<dav::CardRef> changed;
    std::vector<std::string> removed;
    bool full = state.token.empty() || !state.syncCollection;
    std::string token = state.token;
    progress(Phase::kReading, 0, 0);
    if (state.syncCollection) {
        dav::SyncChanges changes;
        dav::DavOutcome outcome = client.SyncChanges(state.url, state.token, &changes);
        if (outcome.result == dav::DavResult::kTokenInvalid && !state.token.empty()) {
            full = true;
            outcome = client.SyncChanges(state.url, {}, &changes);
        }
        if (!outcome.Ok())
            return failed(outcome);
        changed = std::move(changes.changed);
        removed = std::move(changes.removed);
        token = changes.token;
    } else if (const dav::DavOutcome outcome = client.ListCards(state.url, &changed); !outcome.Ok()) {
        return failed(outcome);
    }
    std::unordered_map<std::string, std::string> uidOfHref;
    for (const auto& [uid, card] : state.cards)
        uidOfHref[card.href] = uid;
    if (full) {
        // A listing of every card: what it lacks is gone.
        std::set<std::string> listed;
        for (const dav::CardRef& c : changed)
            listed.insert(c.href);
        for (const auto& [uid, card] : state.cards)
            if (!listed.contains(card.href) && !card.vcard.empty())
                removed.push_back(card.href);
    }
    std::vector<std::string> wanted;
    for (const dav::CardRef& c : changed) {
        const auto uid = uidOfHref.find(c.href);
        if (uid != uidOfHref.end() && !c.etag.empty() && state.cards[uid->second].etag == c.etag)
            continue;
        wanted.push_back(c.href);
    }
    std::vector<dav::Card> cards;
    if (!wanted.empty()) {
        std::vector<std::string> missing;
        progress(Phase::kFetching, 0, wanted.size());
        if (const dav::DavOutcome outcome = client.Multiget(state.url, wanted, &cards, &missing,
                [&](std::size_t done) { progress(Phase::kFetching, done, wanted.size()); });
            !outcome.Ok())
            return failed(outcome);
        removed.insert(removed.end(), missing.begin(), missing.end());
    }
    step("remote-read");

    // 1. Every record is known by its UID before any card is written for it.
    if (!options.dryRun && VCardExport::LacksUids(table_)) {
        if (!VCardExport::StoreUids(table_) || !save_())
            return localFailure(SJ("住所録にUIDを保存できませんでした。"));
        step("uids-saved");
    }

    // 3. The plan, field by field.
    std::map<std::string, RecordCard> local;
    for (auto& [uid, card] : RecordCards(table_))
        local.emplace(uid, std::move(card));
    const CardValues none(field::kSchemaEnd);
    const auto valuesOfRecord
        = [this, &local](const std::string& uid) { return ValuesOfText(local[uid].vcard, table_); };
    const auto baseOf = [this, &state, &none](const std::string& uid) {
        const auto st = state.cards.find(uid);
        return st == state.cards.end() || st->second.vcard.empty() ? none : ValuesOfText(st->second.vcard, table_);
    };
    // The base for the server's `remote`: the card a stopped sync was writing when the
    // server has that one.
    const auto baseFor = [this, &state, &baseOf](const std::string& uid, const CardValues& remote) {
        const auto st = state.cards.find(uid);
        if (st != state.cards.end() && !st->second.pending.empty()) {
            CardValues pending = ValuesOfText(st->second.pending, table_);
            if (pending == remote)
                return pending;
        }
        return baseOf(uid);
    };

    struct Change {
        std::string uid;
        int record = -1; // -1: a new record
        CardValues values; // what the record takes, fields not to change empty …
        std::vector<bool> take; // … and which fields to take
    };
    std::vector<Change> applies;
    std::vector<Conflict> newConflicts;
    std::vector<std::pair<std::string, Upload>> uploads;
    std::vector<int> localDeletes;
    std::vector<std::string> remoteDeletes; // UIDs
    std::set<std::string> done;
    std::map<std::string, SyncedCard> fetched; // by UID: the state each takes

    // Merges the server's `remote` into record `uid` from `base`; true when the server
    // still lacks some of the record's values.
    const auto merge
        = [&](const std::string& uid, const CardValues& base, const CardValues& mine, const CardValues& remote) {
              Change change { uid, local[uid].record, remote, std::vector<bool>(field::kSchemaEnd) };
              bool anyTaken = false, mineChanged = false, theirsChanged = false, behind = false;
              for (int f : SyncedFields()) {
                  const auto i = static_cast<std::size_t>(f);
                  if (mine[i] == remote[i])
                      continue;
                  const bool localChanged = mine[i] != base[i], remoteChanged = remote[i] != base[i];
                  mineChanged = mineChanged || localChanged;
                  theirsChanged = theirsChanged || remoteChanged;
                  if (!remoteChanged) {
                      behind = true;
                      continue;
                  }
                  change.take[i] = true;
                  anyTaken = true;
                  if (localChanged) {
                      const int name = table_.FindField(SchemaFieldName(field::kName));
                      newConflicts.push_back(Conflict { uid, std::string(table_.Value(name, change.record)),
                          SchemaFieldName(f), mine[i], remote[i] });
                  }
              }
              if (anyTaken) {
                  applies.push_back(std::move(change));
                  ++report.downloaded;
              }
              if (mineChanged && theirsChanged)
                  ++report.merged;
              return behind;
          };

    for (const dav::Card& card : cards) {
        const std::vector<vcard::Card> parsed = vcard::Parse(card.vcard);
        std::string uid = parsed.empty() ? std::string() : UidOf(parsed.front());
        if (uid.empty())
            uid = card.href;
        if (!done.insert(uid).second)
            continue;
        const CardValues remote = parsed.empty() ? none : ValuesOf(parsed.front(), table_);
        const bool known = state.cards.contains(uid);
        const CardValues base = baseFor(uid, remote);
        fetched[uid] = SyncedCard { card.href, card.etag, card.vcard, {} };
        if (local.contains(uid)) {
            if (merge(uid, base, valuesOfRecord(uid), remote))
                uploads.emplace_back(uid, Upload::kUpdate);
        } else if (known && remote == base) {
            remoteDeletes.push_back(uid);
        } else {
            // New on the server, or changed there after the record was deleted here: a
            // change is not lost to a delete.
            Change change { uid, -1, remote, std::vector<bool>(field::kSchemaEnd, true) };
            applies.push_back(std::move(change));
            ++report.downloaded;
        }
    }
    for (const std::string& href : removed) {
        const auto at = uidOfHref.find(href);
        if (at == uidOfHref.end() || !done.insert(at->second).second)
            continue;
        const std::string& uid = at->second;
        fetched[uid] = {}; // gone from the state
        if (!local.contains(uid))
            continue;
        if (valuesOfRecord(uid) == baseOf(uid))
            localDeletes.push_back(local[uid].record);
        else
            uploads.emplace_back(uid, Upload::kCreate); // changed here: written again
    }
    for (const auto& [uid, card] : local) {
        if (done.contains(uid))
            continue;
        if (!state.cards.contains(uid) || state.cards[uid].vcard.empty())
            uploads.emplace_back(uid, Upload::kCreate);
        else if (valuesOfRecord(uid) != baseOf(uid))
            uploads.emplace_back(uid, Upload::kUpdate);
    }
    std::vector<std::string> neverWritten;
    for (const auto& [uid, card] : state.cards)
        if (!done.contains(uid) && !local.contains(uid))
            (card.vcard.empty() ? neverWritten : remoteDeletes).push_back(uid);

    // A delete of more than half of a side is asked about first.
    const auto massive = [](std::size_t deletes, std::size_t of) { return deletes > 5 && deletes * 2 > of; };
    if (!options.allowMassDelete
        && (massive(localDeletes.size(), local.size()) || massive(remoteDeletes.size(), state.cards.size()))) {
        report.result = SyncReport::Result::kMassDelete;
        report.message = SJ("この同期では住所録の") + std::to_string(localDeletes.size()) + SJ("件（全")
            + std::to_string(local.size()) + SJ("件）とサーバーの") + std::to_string(remoteDeletes.size())
            + SJ("件（全") + std::to_string(state.cards.size())
            + SJ("件）が削除されます。削除が多いため、何も変更せずに止めました。");
        report.requests = client.Requests();
        return report;
    }
    report.deletedLocally = static_cast<int>(localDeletes.size());
    report.conflicts = static_cast<int>(newConflicts.size());
    if (options.dryRun) {
        report.uploaded = static_cast<int>(uploads.size());
        for (int k = 0; k < table_.GetRecordCount(); ++k)
            if (!table_.IsDeleted(k) && (table_.UidField() < 0 || table_.Value(table_.UidField(), k).empty()))
                ++report.uploaded;
        report.deletedRemotely = static_cast<int>(remoteDeletes.size());
        report.requests = client.Requests();
        return report;
    }

    // 4. The server's side into the book, then the state that says it is there.
    const auto store = [this](int k, const std::string& uid, const Change& change) {
        if (k < 0) {
            table_.ClearCurrent();
            if (table_.PostRecord() != RecordError::kNone)
                return -1;
            k = table_.GetRecordCount() - 1;
            const int uidField = table_.FindField(SchemaFieldName(field::kUid));
            if (table_.StoreValue(k, uidField, platform::Utf8ToSjis(uid)) != RecordError::kNone)
                return -1;
        }
        for (int f : SyncedFields())
            if (change.take[static_cast<std::size_t>(f)]) {
                const std::string& value = change.values[static_cast<std::size_t>(f)];
                const int at = table_.FindField(SchemaFieldName(f));
                if (at >= 0 && (!value.empty() || !table_.Value(at, k).empty())
                    && table_.StoreValue(k, at, value) != RecordError::kNone)
                    return -1;
            }
        return k;
    };
    const bool bookChanges = !applies.empty() || !localDeletes.empty();
    if (bookChanges)
        progress(Phase::kWritingBook, 0, 0);
    for (const Change& change : applies)
        if (store(change.record, change.uid, change) < 0)
            return localFailure(SJ("サーバーのカードを住所録に書き込めませんでした。"));
    for (int k : localDeletes)
        table_.MarkDeleted(k);
    if (!newConflicts.empty()) {
        conflicts.Add(newConflicts.begin(), newConflicts.end());
        if (!conflicts.Save(ConflictsPath()))
            return localFailure(SJ("同期の競合の一覧を保存できませんでした。"));
    }
    if (bookChanges) {
        if (!save_())
            return localFailure(SJ("住所録を保存できませんでした。"));
        step("book-saved");
    }
    for (const std::string& uid : neverWritten)
        state.cards.erase(uid);
    for (auto& [uid, card] : fetched) {
        if (card.href.empty())
            state.cards.erase(uid);
        else
            state.cards[uid] = std::move(card);
    }
    // Nothing new from the server and no record known again: the state stands as it is.
    const bool stateChanged = token != state.token || !fetched.empty() || !neverWritten.empty();
    state.token = token;
    if (stateChanged) {
        if (!state.Save(StatePath()))
            return localFailure(SJ("同期の記録を保存できませんでした。"));
        step("state-saved");
    }

    // 5. The book's side up.
    if (bookChanges)
        local.clear();
    if (local.empty())
        for (auto& [uid, card] : RecordCards(table_))
            local.emplace(uid, std::move(card));
    int writes = 0;
    const auto wrote = [&]() {
        step("written");
        if (++writes % kStateEvery == 0 && !state.Save(StatePath()))
            return false;
        return true;
    };
    // The card the server has for `uid` at `href`, read again after a 412.
    const auto reread = [&](const std::string& href, Fetched* out) {
        std::vector<dav::Card> got;
        std::vector<std::string> missing;
        const dav::DavOutcome outcome = client.Multiget(state.url, { href }, &got, &missing);
        if (outcome.Ok() && !got.empty())
            *out = Fetched { got.front().href, got.front().etag, got.front().vcard };
        return outcome;
    };
    // Each card is written as its state's pending card, saved before: a sync stopped
    // after the write finds the server's copy to be its own.
    const auto compose = [&](const std::string& uid) {
        const std::string& last = state.cards[uid].vcard;
        return Compose(local[uid].vcard, last, last.empty() ? none : ValuesOfText(last, table_), table_);
    };
    for (const auto& [uid, kind] : uploads) {
        if (!local.contains(uid))
            continue;
        SyncedCard& card = state.cards[uid];
        if (card.href.empty())
            card.href = PathOf(state.url) + FileName(uid);
        card.pending = compose(uid);
    }
    if (!uploads.empty()) {
        if (!state.Save(StatePath()))
            return localFailure(SJ("同期の記録を保存できませんでした。"));
        step("pending-saved");
    }
    std::size_t sent = 0;
    for (const auto& [uid, kind] : uploads) {
        progress(Phase::kSending, sent++, uploads.size());
        if (!local.contains(uid))
            continue;
        for (int attempt = 0;; ++attempt) {
            const auto st = state.cards.find(uid);
            const bool create = st->second.vcard.empty();
            const std::string text = attempt == 0 ? st->second.pending : compose(uid);
            dav::WriteResult result;
            const std::string href = st->second.href;
            const dav::DavOutcome outcome = create ? client.Create(state.url, FileName(uid), text, &result)
                                                   : client.Update(href, st->second.etag, text, &result);
            if (outcome.Ok()) {
                state.cards[uid] = SyncedCard { result.href.empty() ? href : result.href,
                    result.etagGiven ? result.etag : std::string(), text, {} };
                ++report.uploaded;
                if (!wrote())
                    return localFailure(SJ("同期の記録を保存できませんでした。"));
                break;
            }
            if (outcome.result != dav::DavResult::kChangedOnServer || attempt > 0) {
                state.Save(StatePath());
                return failed(outcome);
            }
            // Changed there since it was read (or, for a create, there already: an
            // earlier sync stopped after writing it): merged and written once more.
            Fetched now;
            if (const dav::DavOutcome again = reread(href, &now); !again.Ok() || now.href.empty()) {
                state.Save(StatePath());
                return failed(again.Ok() ? outcome : again);
            }
            const std::vector<vcard::Card> parsed = vcard::Parse(now.vcard);
            const CardValues remote = parsed.empty() ? none : ValuesOf(parsed.front(), table_);
            applies.clear();
            const std::size_t before = newConflicts.size();
            const bool behind = merge(uid, baseFor(uid, remote), valuesOfRecord(uid), remote);
            if (!applies.empty()) {
                if (store(applies.front().record, uid, applies.front()) < 0)
                    return localFailure(SJ("サーバーのカードを住所録に書き込めませんでした。"));
                if (newConflicts.size() > before) {
                    conflicts.Add(newConflicts.begin() + static_cast<long>(before), newConflicts.end());
                    report.conflicts = static_cast<int>(newConflicts.size());
                    if (!conflicts.Save(ConflictsPath()))
                        return localFailure(SJ("同期の競合の一覧を保存できませんでした。"));
                }
                if (!save_())
                    return localFailure(SJ("住所録を保存できませんでした。"));
                for (auto& [u, card] : RecordCards(table_))
                    if (u == uid)
                        local[uid] = std::move(card);
            }
            state.cards[uid] = SyncedCard { now.href, now.etag, now.vcard, {} };
            if (!behind)
                break;
            state.cards[uid].pending = compose(uid);
        }
    }
    std::size_t removing = 0;
    for (const std::string& uid : remoteDeletes) {
        progress(Phase::kDeleting, removing++, remoteDeletes.size());
        const SyncedCard card = state.cards[uid];
        const dav::DavOutcome outcome = client.Remove(card.href, card.etag);
        if (outcome.Ok() || outcome.result == dav::DavResult::kNotFound) {
            state.cards.erase(uid);
            ++report.deletedRemotely;
            if (!wrote())
                return localFailure(SJ("同期の記録を保存できませんでした。"));
            continue;
        }
        if (outcome.result != dav::DavResult::kChangedOnServer) {
            state.Save(StatePath());
            return failed(outcome);
        }
        // Changed there after it was deleted here: the change comes back as a record.
        Fetched now;
        if (const dav::DavOutcome again = reread(card.href, &now); !again.Ok() || now.href.empty()) {
            state.Save(StatePath());
            return failed(again.Ok() ? outcome : again);
        }
        const std::vector<vcard::Card> parsed = vcard::Parse(now.vcard);
        Change change { uid, -1, parsed.empty() ? none : ValuesOf(parsed.front(), table_),
            std::vector<bool>(field::kSchemaEnd, true) };
        if (store(-1, uid, change) < 0 || !save_())
            return localFailure(SJ("住所録を保存できませんでした。"));
        ++report.downloaded;
        state.cards[uid] = SyncedCard { now.href, now.etag, now.vcard, {} };
    }
    if ((!uploads.empty() || !remoteDeletes.empty()) && !state.Save(StatePath()))
        return localFailure(SJ("同期の記録を保存できませんでした。"));
    step("done");
    report.requests = client.Requests();
    return report;
}

bool TakeBack(AddressTable& table, ConflictList& list, std::size_t index, std::string* message)
{
    if (index >= list.items.size()) {
        *message = SJ("その番号の競合はありません。");
        return false;
    }
    const Conflict& c = list.items[index];
    const int uidField = table.UidField();
    const int field = table.FindField(c.field);
    const std::string uid = platform::Utf8ToSjis(c.uid);
    for (int k = 0; uidField >= 0 && k < table.GetRecordCount(); ++k) {
        if (table.IsDeleted(k) || table.Value(uidField, k) != uid)
            continue;
        if (field < 0 || table.StoreValue(k, field, c.local) != RecordError::kNone) {
            *message = SJ("「") + c.field + SJ("」に値を戻せませんでした。");
            return false;
        }
        list.items.erase(list.items.begin() + static_cast<long>(index));
        return true;
    }
    *message = SJ("この競合の住所はもうありません。");
    return false;
}

} // namespace nrt::sync
