#pragma once
// What a book remembers of its CardDAV account between syncs ("sync.state" beside its
// "nrt.ndb"): the address book's URL, the user, the server's sync token, and for every
// card both sides had at the last sync its href, its ETag and its text as last synced.
// A record is compared with that text to find what changed locally, whatever changed
// it, and the text keeps what the book cannot hold (a phone's PHOTO, a second TEL …).
// The conflicts a sync could not decide ("sync-conflicts") are kept beside it until the
// user takes a value back or the list is cleared. Both files are written whole or not at
// all; a book that never syncs has neither.

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace nrt::sync {

struct SyncedCard {
    std::string href;
    std::string etag;
    std::string vcard; // UTF-8, as last synced (the server's copy or the one written); empty: not yet there
    // The card about to be written, saved before the write: a sync stopped after it
    // knows the server's copy for its own.
    std::string pending;
};

struct SyncState {
    static constexpr const char* kFileName = "sync.state";

    std::string url; // the address book's collection, absolute, ends in "/"
    std::string user;
    std::string token; // empty: the next sync reads every card
    bool syncCollection = true; // false: the server is read by PROPFIND of ETags
    std::map<std::string, SyncedCard> cards; // by UID

    // False when the file is missing or unreadable (*error says which, CP932).
    bool Load(std::string_view path, std::string* error = nullptr);
    bool Save(std::string_view path) const;
};

// A field changed on both sides: the server's value went into the book, the local one
// waits here.
struct Conflict {
    std::string uid;
    std::string name; // the record's 名前 when the conflict arose, CP932
    std::string field; // the field's name, CP932
    std::string local; // the value the book had, CP932
    std::string server; // the value the book took, CP932
    bool operator==(const Conflict&) const = default;
};

struct ConflictList {
    static constexpr const char* kFileName = "sync-conflicts";
    std::vector<Conflict> items;

    // Appends those not listed yet (a sync stopped before its book was saved finds its
    // conflicts again).
    template <class It> void Add(It from, It to)
    {
        for (; from != to; ++from)
            if (std::find(items.begin(), items.end(), *from) == items.end())
                items.push_back(*from);
    }
    // A missing file is an empty list.
    bool Load(std::string_view path);
    // With no items the file is removed.
    bool Save(std::string_view path) const;
};

} // namespace nrt::sync
