#pragma once
// A book's CardDAV account as the window and the command line set it up: the chosen
// address book into "sync.state", and the password the user agreed to keep, in
// "NrtUser.ini" (section SYNC, written for the owner alone).

#include "sync/DavClient.h"

#include <string>
#include <string_view>

namespace nrt::sync {

// The password kept for the book's sync with `url` as `user`: from the desktop keyring
// where one answers, else from "NrtUser.ini"; empty when none.
std::string StoredPassword(std::string_view userIni, std::string_view url, std::string_view user);
// Keeps it in the keyring where one answers (and takes a copy out of "NrtUser.ini"),
// else in "NrtUser.ini" for the owner alone. An empty password forgets it.
bool StorePassword(std::string_view userIni, std::string_view url, std::string_view user, std::string_view password);

// Whether the window syncs the book by itself, after it opens and after it is saved;
// off unless the user turned it on ("NrtUser.ini", section SYNC). Turning it off where
// it was never on writes nothing.
bool AutoSync(std::string_view userIni);
bool SetAutoSync(std::string_view userIni, bool on);

// The book syncs with `book` as `user` from now on. The same book again keeps what
// was synced; another one starts afresh (every record goes up as new).
bool SaveSetup(std::string_view statePath, const dav::AddressBookInfo& book, const std::string& user);

// The book's counts of a sync as the user reads them, one per line (CP932).
struct SyncReport;
std::string Summary(const SyncReport& report, bool dryRun);

} // namespace nrt::sync
