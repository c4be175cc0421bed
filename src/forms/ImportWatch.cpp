#include "forms/ImportWatch.h"

#include "app/MainWindow.h"

#include <QProgressDialog>

namespace nrt::gui {
namespace {

// Files with fewer rows than this are imported before a progress window could show.
constexpr long long kProgressFrom = 2 * 2000;

} // namespace

ImportWatch::ImportWatch(QWidget* window, MainWindow& main)
    : window_(window)
    , main_(main)
{
}

ImportWatch::~ImportWatch() = default;

void ImportWatch::Busy(bool on)
{
    busy_.Set(on);
    if (!on)
        progress_.reset();
}

void ImportWatch::Progress(long long done, long long total)
{
    if (total < kProgressFrom)
        return;
    if (!progress_) {
        progress_
            = std::make_unique<QProgressDialog>(QStringLiteral("取り込んでいます・・・"), QString(), 0, 1000, window_);
        progress_->setObjectName(QStringLiteral("frmProgress"));
        progress_->setWindowTitle(QStringLiteral("ノルテア（インポート）"));
        progress_->setCancelButton(nullptr);
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setMinimumDuration(300);
    }
    progress_->setValue(static_cast<int>(done * 1000 / total));
}

void ImportWatch::CategoriesChanged()
{
    main_.ReloadTabs();
    main_.ReloadMinorCategories();
    // The input form rebuilds its category choices on this signal.
    emit main_.BookChanged();
}

bool ImportWatch::Commit()
{
    return main_.SaveBook();
}

void ImportWatch::Imported()
{
    main_.RefreshList();
}

} // namespace nrt::gui
