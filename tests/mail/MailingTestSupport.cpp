#include "MailingTestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace nrt::test {

void FillTable(AddressTable& db, const std::vector<Person>& people)
{
    db.CreateDefaultTable();
    for (const Person& p : people) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kSender, p.sender), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kPrintMark, p.marked), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kName, S(p.name)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kKana, S(p.kana)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kMail, S(p.mail)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kNote1, S(p.note)), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
}

std::vector<Person> NumberedPeople(int count, std::vector<std::string>& storage)
{
    storage.clear();
    storage.reserve(static_cast<std::size_t>(count) * 2);
    std::vector<Person> people;
    for (int i = 1; i <= count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", i);
        storage.push_back(std::string("宛先") + number);
        storage.push_back(std::string("n") + number + "@example.com");
    }
    for (std::size_t i = 0; i < storage.size(); i += 2)
        people.push_back({ storage[i].c_str(), storage[i + 1].c_str() });
    return people;
}

void RecordingHost::Progress()
{
    ++progress;
    calls.push_back("progress");
    if (onProgress)
        onProgress();
}

void RecordingHost::Rest()
{
    calls.push_back("rest");
    if (onRest)
        onRest();
}

void RecordingHost::Resume()
{
    calls.push_back("resume");
    if (onResume)
        onResume();
}

int RecordingHost::Count(const std::string& call) const
{
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

ScopedEnvVar::ScopedEnvVar(const char* name, const std::string& value)
    : name_(name)
{
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    ::setenv(name, value.c_str(), 1);
}

ScopedEnvVar::~ScopedEnvVar()
{
    if (had_)
        ::setenv(name_.c_str(), old_.c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

void WillingSession(ScriptPeer& peer, int* messages, bool greet)
{
    if (greet)
        peer.Send("220 willing\r\n");
    for (;;) {
        const std::string line = peer.ReadLine();
        if (line == "<closed>")
            return;
        const std::string verb = line.substr(0, 4);
        if (verb == "QUIT") {
            peer.Send("221 bye\r\n");
            return;
        }
        if (verb == "DATA") {
            peer.Send("354 go on\r\n");
            peer.ReadData();
            ++*messages;
            peer.Send("250 stored\r\n");
        } else if (verb == "HELO" || verb == "EHLO" || verb == "MAIL" || verb == "RCPT" || verb == "RSET") {
            peer.Send("250 ok\r\n");
        } else {
            peer.Send("500 unknown\r\n");
        }
    }
}

} // namespace nrt::test
