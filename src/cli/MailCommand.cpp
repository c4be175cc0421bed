// nortea-cli mail: a bulk mailing to the marked addressees, with the composer's checks
// and the worker's run and logs; --dry-run writes each message to standard output as
// it would go to the server, and sends nothing. --resend-failed sends only to those the
// last runs of the same mail did not reach; --no-wait leaves recipients refused for the
// time being as not tried instead of waiting to try them again.
#include "cli/Cli.h"

#include "db/MainList.h"
#include "mail/MailComposer.h"
#include "mail/MailFiles.h"
#include "mail/MailingRun.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace nrt::cli {
namespace {

std::atomic<MailingRun*> g_running { nullptr };

// A notice on standard error as "caption: text"; nothing when it has no text.
void Print(const mailcompose::Notice& notice)
{
    if (!notice.text.empty())
        PrintMessage(notice.caption, notice.text);
}

// Whether a check lets the mailing go on, after printing what it has to say.
bool Passed(const mailcompose::Checked& checked)
{
    Print(checked.notice);
    return checked.go;
}

extern "C" void StopMailing(int)
{
    if (MailingRun* worker = g_running.load())
        worker->Terminate();
}

// Ctrl-C breaks the mailing off after the current record, as the dialog's button does,
// so that the logs are still written.
class InterruptStopsWorker {
public:
    explicit InterruptStopsWorker(MailingRun& worker)
    {
        g_running = &worker;
        struct sigaction action { };
        action.sa_handler = StopMailing;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptStopsWorker()
    {
        ::sigaction(SIGINT, &previous_, nullptr);
        g_running = nullptr;
    }
    InterruptStopsWorker(const InterruptStopsWorker&) = delete;
    InterruptStopsWorker& operator=(const InterruptStopsWorker&) = delete;

private:
    struct sigaction previous_ { };
};

// The progress dialog's part on a terminal: the count on one line that is rewritten,
// or a line per record when standard error is not a terminal.
class TerminalProgress : public MailSendHost {
public:
    explicit TerminalProgress(int total)
        : total_(total)
        , terminal_(::isatty(STDERR_FILENO) == 1)
    {
    }
    ~TerminalProgress() override { Finish(); }
    // Ends the rewritten count line before other output follows.
    void Finish()
    {
        if (terminal_ && handled_ > 0)
            std::fputc('\n', stderr);
        terminal_ = false;
    }
    void Progress() override
    {
        ++handled_;
        std::fprintf(stderr, terminal_ ? "\r%d / %d" : "%d / %d\n", handled_, total_);
        std::fflush(stderr);
    }
    void Rest() override { Line(SJ("休憩中・・・")); }
    void Resume() override { Line(SJ("メール送信中・・・")); }
    void Waiting(int secondsLeft) override
    {
        // On a terminal the count rewrites itself; otherwise one line per wait.
        if (!terminal_ && waiting_)
            return;
        waiting_ = true;
        char text[96];
        std::snprintf(text, sizeof text, "%d:%02d", secondsLeft / 60, secondsLeft % 60);
        const std::string line = Out(SJ("一時的に拒否された宛先を再送するまで 残り ")) + text;
        if (terminal_)
            std::fprintf(stderr, "\r%s ", line.c_str());
        else
            std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
    void Failed() override { }
    void Cancelled() override { }

private:
    void Line(const std::string& text)
    {
        std::fprintf(stderr, "%s%s\n", terminal_ && (handled_ > 0 || waiting_) ? "\n" : "", Out(text).c_str());
        waiting_ = false;
    }
    bool waiting_ = false;
    int handled_ = 0;
    int total_;
    bool terminal_;
};

bool IsPlainBody(const std::string& path)
{
    return path.size() > 4 && platform::lstrcmpiA(std::string_view(path).substr(path.size() - 4), ".txt") == 0;
}

} // namespace

int RunMail(Context& context, Args& args)
{
    std::string templateArg;
    const bool hasTemplate = args.Option("--template", templateArg);
    const bool dryRun = args.Flag("--dry-run");
    const bool resend = args.Flag("--resend-failed");
    const bool noWait = args.Flag("--no-wait");
    std::string subjectArg;
    const bool hasSubject = args.Option("--subject", subjectArg);
    if (args.usageError || !hasTemplate || templateArg.empty() || !args.Rest().empty())
        return kExitUsage;

    AppSettings& settings = context.Settings();
    AddressTable& db = context.Table();

    // A template file gives subject, priority and body; a .txt file the body alone.
    const std::string path = platform::Utf8ToSjis(templateArg);
    mailfiles::MailText mail;
    const int filter = IsPlainBody(path) ? mailfiles::kOpenTxt : mailfiles::kOpenInternal;
    if (const mailfiles::FileResult loaded = mailfiles::Load(path, filter, mail); !loaded.Ok()) {
        PrintMessage(SJ("注意"), loaded.Message());
        return kExitFailed;
    }
    // A .txt body has no subject of its own.
    if (hasSubject)
        mail.subject = platform::Utf8ToSjis(subjectArg);
    if (!Passed(mailcompose::CheckSubject(mail)))
        return kExitFailed;
    const std::string folder = mailfiles::MailFolder(settings);
    std::optional<MailOutcome> previous;
    if (resend) {
        mailcompose::Pending pending = mailcompose::PendingOutcome(folder, mail);
        Print(pending.notice);
        if (!pending.outcome)
            return kExitFailed;
        previous = std::move(pending.outcome);
    }

    // The print condition of the list's first tab: the marked addressees.
    LineList categories;
    static_cast<void>(categories.LoadText(settings.BookFile(SJ("nrt_ms01.nms")))); // missing: no category
    mainlist::TabContext tab;
    tab.categoryCount = categories.GetCount();
    mailcompose::MailSender sender;
    RecordSet recipients;
    if (!Passed(mailcompose::StartMailing(
            settings, db, mainlist::PrintCondition(tab, {}), false, platform::Ask, sender, recipients))
        || !Passed(mailcompose::CheckSendable(settings, &recipients)))
        return kExitFailed;
    TemplateList templates;
    if (!Passed(mailcompose::CheckBody(mail.lines, settings.GetMailWrap(), db, platform::Ask, templates)))
        return kExitFailed;

    TerminalProgress progress(previous ? static_cast<int>(previous->Pending().size()) : recipients.GetRowCount());
    std::unique_ptr<SmtpClient> client = mailcompose::Prepare(settings, mail, sender);
    Print(mailcompose::Utf8Notice(&templates, *client, recipients));
    if (dryRun) {
        MailingRun worker(&templates, client.get(), &recipients, {}, progress);
        if (previous)
            worker.SetOutcomeFile({}, previous);
        InterruptStopsWorker interrupt(worker);
        worker.DryRun([](const std::string& message) {
            std::fwrite(message.data(), 1, message.size(), stdout);
            std::fflush(stdout);
        });
        progress.Finish();
        return worker.GetOutcome() == MailingRun::Outcome::kRanThrough ? kExitOk : kExitFailed;
    }

    if (!platform::Ask(SJ("送信します。よろしいですか？"), true))
        return kExitFailed;
    if (!mailcompose::Open(settings, *client))
        return kExitFailed;
    MailingRun worker(&templates, client.get(), &recipients, folder, progress);
    mailcompose::ApplyRest(settings, worker);
    if (noWait)
        worker.SetRetryWaits({});
    worker.SetOutcomeFile(MailOutcome::PathFor(folder, mail), previous);
    {
        InterruptStopsWorker interrupt(worker);
        worker.Execute();
    }
    client.reset();
    progress.Finish();
    // The mailing's own outcome decides the exit code; a sent copy not kept is only told.
    if (const mailfiles::FileResult saved = mailfiles::SaveSent(folder, mail); !saved.Ok())
        PrintMessage(SJ("注意"), saved.Message());
    std::string details = worker.RefusedList(static_cast<std::size_t>(-1));
    if (worker.NotTried() + worker.Refused() > 0)
        details += (details.empty() ? "" : "\n") + SJ("送信できなかった宛先には --resend-failed で送信できます。");
    Print(mailcompose::OutcomeNotice(worker.GetOutcome(), worker.Summary(), details));
    return worker.GetOutcome() == MailingRun::Outcome::kRanThrough ? kExitOk : kExitFailed;
}

} // namespace nrt::cli
