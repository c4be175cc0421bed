#include "platform/MessageHost.h"

#include "platform/sjis.h"

#include <cstdio>

namespace nrt::platform {
namespace {

// Used when no window system is there: prints "caption: text" and takes the default.
class StderrMessageHost : public MessageHost {
public:
    MsgResult Show(const MessageRequest& r) override
    {
        std::fprintf(stderr, "%s: %s\n", SjisToUtf8(r.caption).c_str(), SjisToUtf8(r.text).c_str());
        switch (r.buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        default:
            return r.defaultButton;
        }
    }
    void Beep() override { }
};

StderrMessageHost g_default;
MessageHost* g_host = &g_default;

} // namespace

MessageHost& Messages()
{
    return *g_host;
}

void SetMessageHost(MessageHost* host)
{
    g_host = host ? host : &g_default;
}

static MessageHost* CurrentHostPointer()
{
    return g_host == &g_default ? nullptr : g_host;
}

void Warn(std::string_view text)
{
    Messages().Show({ std::string(text), SJ("注意"), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok });
}

void Inform(std::string_view text, std::string_view caption, MsgIcon icon)
{
    Messages().Show({ std::string(text), std::string(caption), icon, MsgButtons::Ok, MsgResult::Ok });
}

bool Ask(std::string_view text, bool defaultYes)
{
    return Messages().Show({ std::string(text), SJ("確認"), MsgIcon::Question, MsgButtons::YesNo,
               defaultYes ? MsgResult::Yes : MsgResult::No })
        == MsgResult::Yes;
}

void Beep()
{
    Messages().Beep();
}

MsgResult RecordingMessageHost::Show(const MessageRequest& request)
{
    shown.push_back(request);
    if (!answers.empty()) {
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    switch (request.buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        return MsgResult::Ok;
    default:
        return MsgResult::Yes;
    }
}

ScopedMessageHost::ScopedMessageHost(MessageHost& host)
    : previous_(CurrentHostPointer())
{
    SetMessageHost(&host);
}

ScopedMessageHost::~ScopedMessageHost()
{
    SetMessageHost(previous_);
}

} // namespace nrt::platform
