#pragma once
// The hourglass while the program works. Without a GUI application (the command
// line) nothing is shown.

namespace nrt::gui {

// On and off as a job reports it; off again at the latest when destroyed.
class BusyCursor {
public:
    BusyCursor() = default;
    ~BusyCursor() { Set(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void Set(bool on);

private:
    bool on_ = false;
};

// On for the length of a scope, unless restored earlier.
class WaitCursor {
public:
    WaitCursor() { cursor_.Set(true); }
    void Restore() { cursor_.Set(false); }

private:
    BusyCursor cursor_;
};

// An observer of a core job (import, export, users) that answers its busy reports
// with the wait cursor and nothing else.
template <class Observer> class CursorWatch final : public Observer {
public:
    void Busy(bool on) override { cursor_.Set(on); }

private:
    BusyCursor cursor_;
};

} // namespace nrt::gui
