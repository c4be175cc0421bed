#pragma once
// Message boxes and the beep, as the core asks for them. The GUI installs a Qt host;
// tests install RecordingMessageHost; without either, messages go to standard error.
// Texts and captions are CP932.

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace nrt::platform {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::Warning;
    MsgButtons buttons = MsgButtons::Ok;
    MsgResult defaultButton = MsgResult::Ok;
};

class MessageHost {
public:
    virtual ~MessageHost() = default;
    virtual MsgResult Show(const MessageRequest& request) = 0;
    virtual void Beep() = 0;
};

// The installed host (never null). SetMessageHost(nullptr) restores the default.
MessageHost& Messages();
void SetMessageHost(MessageHost* host);

// The common shapes of the program's messages.
// Warning with caption "注意".
void Warn(std::string_view text);
// Any caption and icon, OK only.
void Inform(std::string_view text, std::string_view caption, MsgIcon icon = MsgIcon::Information);
// Question with caption "確認", Yes/No; No is preselected unless defaultYes.
bool Ask(std::string_view text, bool defaultYes = false);
void Beep();

// Records every message and answers from a script (Yes / OK when the script is empty).
class RecordingMessageHost : public MessageHost {
public:
    MsgResult Show(const MessageRequest& request) override;
    void Beep() override { ++beeps; }

    void Answer(MsgResult r) { answers.push_back(r); }
    // The last message's text, or "" when none.
    std::string LastText() const { return shown.empty() ? std::string() : shown.back().text; }

    std::vector<MessageRequest> shown;
    std::deque<MsgResult> answers;
    int beeps = 0;
};

// Installs a host for the lifetime of the guard and restores the previous one.
class ScopedMessageHost {
public:
    explicit ScopedMessageHost(MessageHost& host);
    ~ScopedMessageHost();
    ScopedMessageHost(const ScopedMessageHost&) = delete;
    ScopedMessageHost& operator=(const ScopedMessageHost&) = delete;

private:
    MessageHost* previous_;
};

} // namespace nrt::platform
