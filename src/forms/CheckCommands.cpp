// 「宛名チェック」 in the main window's edit menu, and its offer before New Year's cards.
#include "app/Commands.h"

#include "app/MainWindow.h"
#include "check/AddressCheck.h"
#include "db/CardHistory.h"
#include "db/RecordSet.h"
#include "forms/AddressCheckDialog.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "settings/LayoutDefaults.h"

#include <QAction>
#include <QMenu>

namespace nrt::gui {
namespace {

void ShowCheck(MainWindow& main, const std::vector<int>& records, const check::CheckOptions& options)
{
    AddressCheckDialog dialog(
        main.Table(), CheckForWindow(main.Settings(), main.Table(), records, options),
        [&main] { return main.SaveBook(); }, &main);
    dialog.exec();
    if (dialog.AppliedCount() > 0)
        main.RefreshList();
}

} // namespace

void InstallCheckCommands(MainWindow& main)
{
    auto* action = new QAction(QStringLiteral("宛名チェック(&K)..."), &main);
    action->setObjectName(QStringLiteral("mnuEditCheck"));
    main.EditMenu()->addAction(action);
    QObject::connect(action, &QAction::triggered, &main, [&main] {
        const auto rows = main.Records().Rows();
        ShowCheck(main, std::vector<int>(rows.begin(), rows.end()), {});
    });
}

// "No" is the default: Return goes on to the job as it always did.
void OfferAddressCheck(MainWindow& main, std::string_view printCondition, bool hasSender)
{
    if (!platform::Ask(SJ("年賀状を印刷する前に宛名チェックをしますか？")))
        return;
    RecordSet job;
    job.Attach(&main.Table());
    if (job.Select(printCondition) != SelectResult::kSelected)
        return;
    const auto rows = job.Rows();
    ShowCheck(main, std::vector<int>(rows.begin(), rows.end()),
        check::OptionsForFormKind(kFormNewYearCard, hasSender, cardhistory::CardYear(platform::GetClock().Now())));
}

} // namespace nrt::gui
