#pragma once
// Helpers of the mailing tests: address tables, a recording worker host and a willing
// scripted SMTP peer.

#include "MailTestSupport.h"
#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "mail/MailingRun.h"

#include <functional>
#include <string>
#include <vector>

namespace nrt::test {

// One address record (UTF-8).
struct Person {
    const char* name;
    const char* mail;
    const char* kana = "";
    const char* marked = "1"; // 印字区分
    const char* sender = "0"; // 宛名区分
    const char* note = ""; // 備考１
};
void FillTable(AddressTable& db, const std::vector<Person>& people);
// `count` addressees "n<i>@example.com" named "宛先<i>", numbered from 1 with three digits,
// so that their addresses sort in the order they were made.
std::vector<Person> NumberedPeople(int count, std::vector<std::string>& storage);

// Every call of the worker, in order ("progress", "rest", "resume", "failed",
// "cancelled"), with hooks for the test.
class RecordingHost : public MailSendHost {
public:
    void Progress() override;
    void Rest() override;
    void Resume() override;
    void Failed() override { calls.push_back("failed"); }
    void Cancelled() override { calls.push_back("cancelled"); }
    // The first count of every wait before new tries: the length of each wait.
    void Waiting(int secondsLeft) override
    {
        if (lastWaitLeft < 0 || secondsLeft > lastWaitLeft)
            waits.push_back(secondsLeft);
        lastWaitLeft = secondsLeft;
        if (onWaiting)
            onWaiting();
    }
    std::vector<int> waits;
    int lastWaitLeft = -1;
    std::function<void()> onWaiting;
    int Count(const std::string& call) const;

    std::vector<std::string> calls;
    int progress = 0;
    std::function<void()> onProgress, onRest, onResume;
};

// Sets an environment variable for the lifetime of the guard.
class ScopedEnvVar {
public:
    ScopedEnvVar(const char* name, const std::string& value);
    ~ScopedEnvVar();
    ScopedEnvVar(const ScopedEnvVar&) = delete;
    ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// Serves SMTP like a willing server until QUIT or until the client goes: every command
// accepted, every message stored. `messages` counts the messages of this connection.
// Without `greet` it goes on with a session already greeted.
void WillingSession(ScriptPeer& peer, int* messages, bool greet = true);

} // namespace nrt::test
