#pragma once
// What an import into the main window's table shows while it runs (the wait cursor,
// progress for large files), and how the main window follows it: the table saved as
// the import's commit, the tabs and category choices rebuilt, the list refreshed.

#include "exchange/RecordImport.h"
#include "qt/WaitCursor.h"

#include <memory>

class QProgressDialog;
class QWidget;

namespace nrt::gui {

class MainWindow;

class ImportWatch : public RecordImport::Observer {
public:
    ImportWatch(QWidget* window, MainWindow& main);
    ~ImportWatch() override;

    void Busy(bool on) override;
    void Progress(long long done, long long total) override;
    void CategoriesChanged() override;
    bool Commit() override;
    void Imported() override;

private:
    QWidget* window_;
    MainWindow& main_;
    BusyCursor busy_;
    std::unique_ptr<QProgressDialog> progress_;
};

} // namespace nrt::gui
