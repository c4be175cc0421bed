#pragma once
// What became of each recipient of a mailing, kept beside "list.log" so that a run that
// stopped can be finished: one file per mail text ("rcpt<md5>.sts" in the mail folder),
// CP932 with CR LF, a header line and one line per recipient. A resend goes to the
// recipients refused, never tried, or whose message may have arrived unconfirmed, and
// merges its results into the same file.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

namespace mailfiles {
struct MailText;
}

struct RecipientOutcome {
    enum class State : char {
        kSent = 'S', // the server confirmed the message
        kRefused = 'R', // refused by the server (reply kept) or by the address check
        kNotTried = 'N', // never sent: the run stopped first, or a 4xx was left
        kUnconfirmed = 'U', // the data went out, the confirmation never came
        kDuplicate = 'D', // an address met before in the same run: its one copy went there
    };
    State state = State::kNotTried;
    std::string address;
    std::string name;
    std::string token; // of the Message-ID, when a message was made for the recipient
    std::string reply; // the refusal, on one line
};

struct MailOutcome {
    std::string subject;
    bool reachedEnd = false; // the run went through its list (whatever the refusals)
    std::vector<RecipientOutcome> recipients;

    // The file of a mail text in `folder`: named by the subject, priority and body.
    static std::string PathFor(const std::string& folder, const mailfiles::MailText& mail);
    // False when the file is missing or not of this kind.
    bool Load(const std::string& path);
    bool Save(const std::string& path) const;

    // Recipients a resend goes to: address key (lower case, no blanks) → the token of
    // the message made for them before, possibly empty.
    std::map<std::string, std::string> Pending() const;
    int Count(RecipientOutcome::State state) const;
};

// The key an address is compared by: lower case, without blanks.
std::string AddressKey(std::string_view address);

} // namespace nrt
