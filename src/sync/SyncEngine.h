#pragma once
// One two-way sync of a book with its CardDAV address book. The caller holds the book's
// writer lock and has the table loaded; `save` writes the table.
//
// The round, ordered so that a kill at any moment leaves what the next sync completes:
//   1. records without a UID get theirs and the book is saved (a card written later is
//      always one the book knows again);
//   2. the server's changes are read (by token; a token the server forgot, or none, reads
//      every card; a server without sync-collection is read by ETags) and the changed
//      cards fetched in batches;
//   3. each card is compared with its last synced copy and with the record, field by
//      field, in the values the book's fields take (so a server that rewrites a card, or
//      gives no ETag, does not bring our own write back as a change); the deletes are
//      counted and a mass delete stops the sync here, before anything changed;
//   4. the conflicts, then the book, then the sync state with the server's token are
//      saved;
//   5. local changes go up: a new record with If-None-Match, a changed one with If-Match
//      (412: the card is read again, merged, and written once more), a deleted one
//      deleted with If-Match; the state is saved after each batch. A create that finds
//      its card already there (an earlier sync killed after it) is matched by UID.

#include "sync/DavClient.h"
#include "sync/SyncState.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace nrt {
class AddressTable;
}

namespace nrt::sync {

struct SyncOptions {
    // Where a sync stands, for a progress display.
    enum class Phase {
        kReading, // the server's changes
        kFetching, // the changed cards, in batches
        kWritingBook, // the server's side into the book
        kSending, // the book's changes up
        kDeleting, // the book's deletes on the server
    };
    bool allowMassDelete = false;
    bool dryRun = false; // reads and plans, changes nothing
    // Told the name of each step done ("book-saved", "state-saved", "written" …); tests
    // stop the process there.
    std::function<void(std::string_view)> afterStep;
    const std::atomic<bool>* cancel = nullptr;
    // Told each phase as it starts and, between requests, how many of its items are done
    // of how many (0 of 0 where it does not count).
    std::function<void(Phase, int done, int total)> progress;
    // Called again and again while a request is under way (DavClient::SetWaiting).
    std::function<void()> waiting;
};

struct SyncReport {
    enum class Result { kDone, kFailed, kMassDelete, kNotSetUp };
    Result result = Result::kDone;
    std::string message; // CP932, for the user, when not done
    int uploaded = 0; // cards created or replaced on the server
    int downloaded = 0; // records added or changed from the server
    int deletedLocally = 0;
    int deletedRemotely = 0;
    int merged = 0; // records that took changes of both sides
    int conflicts = 0; // fields whose local value went to the conflicts list
    int requests = 0;
};

class SyncEngine {
public:
    // `folder` is the book's folder (where "sync.state" lives); `account` has the
    // password (its url is replaced by the state's book).
    SyncEngine(AddressTable& table, std::string folder, dav::DavAccount account, std::function<bool()> save);
    SyncReport Run(const SyncOptions& options = {});

    std::string StatePath() const;
    std::string ConflictsPath() const;

private:
    AddressTable& table_;
    std::string folder_;
    dav::DavAccount account_;
    std::function<bool()> save_;
};

// Puts the conflict's local value back into its record (the next sync sends it) and
// takes it off the list; false with a message (CP932) when the record is gone or the
// book cannot take it. `save` writes the table.
bool TakeBack(AddressTable& table, ConflictList& list, std::size_t index, std::string* message);

} // namespace nrt::sync
