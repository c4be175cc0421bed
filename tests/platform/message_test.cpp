#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt::platform;
using nrt::test::S;

TEST(MessageHost, CaptionsIconsAndScriptedAnswers)
{
    RecordingMessageHost host;
    ScopedMessageHost scope(host);
    Warn(S("保存に失敗しました。"));
    host.Answer(MsgResult::No);
    EXPECT_FALSE(Ask(S("削除しますか？")));
    EXPECT_TRUE(Ask(S("続けますか？"), true));
    Beep();
    ASSERT_EQ(host.shown.size(), 3u);
    EXPECT_EQ(host.shown[0].caption, S("注意"));
    EXPECT_EQ(host.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(host.shown[1].caption, S("確認"));
    EXPECT_EQ(host.shown[1].buttons, MsgButtons::YesNo);
    EXPECT_EQ(host.shown[1].defaultButton, MsgResult::No);
    EXPECT_EQ(host.shown[2].defaultButton, MsgResult::Yes);
    EXPECT_EQ(host.beeps, 1);
}

TEST(Clock, FakeClockReplacesTheSystemClock)
{
    FakeClock fake;
    fake.now = { 2027, 1, 1, 0, 0, 0, 5 };
    {
        ScopedClock scope(fake);
        EXPECT_EQ(GetClock().Now().year, 2027);
        GetClock().SleepMs(60000);
        EXPECT_EQ(GetClock().TickCount(), 61000u);
    }
    EXPECT_NE(&GetClock(), &fake);
}
