#include "mail/MailOutcome.h"

#include "mail/MailFiles.h"
#include "mail/Md5Hash.h"
#include "platform/fs.h"

#include <algorithm>

namespace nrt {
namespace {

constexpr std::string_view kMark = "RS\t1\t";

bool KnownState(char c)
{
    using State = RecipientOutcome::State;
    for (const State s : { State::kSent, State::kRefused, State::kNotTried, State::kUnconfirmed, State::kDuplicate })
        if (c == static_cast<char>(s))
            return true;
    return false;
}

} // namespace

std::string AddressKey(std::string_view address)
{
    std::string key;
    for (const char c : address)
        if (c != ' ' && c != '\t')
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return key;
}

std::string MailOutcome::PathFor(const std::string& folder, const mailfiles::MailText& mail)
{
    return folder + "/rcpt" + Md5Hash::ToHex(Md5Hash::Md5(mailfiles::Format(mail, true))) + ".sts";
}

bool MailOutcome::Load(const std::string& path)
{
    std::string bytes;
    if (!platform::fs::IsFile(path) || !platform::fs::ReadFile(path, bytes))
        return false;
    const std::vector<std::string> lines = mailfiles::SplitLines(bytes);
    if (lines.empty() || !lines[0].starts_with(kMark))
        return false;
    const std::vector<std::string_view> head = mailfiles::SplitTabs(lines[0]);
    subject = head.size() > 2 ? std::string(head[2]) : std::string();
    reachedEnd = head.size() > 3 && head[3] == "1";
    recipients.clear();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string_view> f = mailfiles::SplitTabs(lines[i]);
        if (f.size() < 5 || f[0].size() != 1 || !KnownState(f[0][0]))
            continue;
        RecipientOutcome r;
        r.state = static_cast<RecipientOutcome::State>(f[0][0]);
        r.address = f[1];
        r.name = f[2];
        r.token = f[3];
        r.reply = f[4];
        recipients.push_back(std::move(r));
    }
    return true;
}

bool MailOutcome::Save(const std::string& path) const
{
    std::string out(kMark);
    out += mailfiles::HeaderField(subject) + "\t" + (reachedEnd ? "1" : "0") + "\t\r\n";
    for (const RecipientOutcome& r : recipients)
        out += std::string(1, static_cast<char>(r.state)) + "\t" + mailfiles::HeaderField(r.address) + "\t"
            + mailfiles::HeaderField(r.name) + "\t" + mailfiles::HeaderField(r.token) + "\t"
            + mailfiles::HeaderField(r.reply) + "\r\n";
    return platform::fs::AtomicWriteFile(path, out);
}

std::map<std::string, std::string> MailOutcome::Pending() const
{
    std::map<std::string, std::string> pending;
    for (const RecipientOutcome& r : recipients)
        if (r.state == RecipientOutcome::State::kRefused || r.state == RecipientOutcome::State::kNotTried
            || r.state == RecipientOutcome::State::kUnconfirmed)
            pending.emplace(AddressKey(r.address), r.token);
    return pending;
}

int MailOutcome::Count(RecipientOutcome::State state) const
{
    return static_cast<int>(std::count_if(
        recipients.begin(), recipients.end(), [state](const RecipientOutcome& r) { return r.state == state; }));
}

} // namespace nrt
