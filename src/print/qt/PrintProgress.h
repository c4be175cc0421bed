#pragma once
// A long print job run page by page inside a small modal window that shows how far
// it has come and can stop it between two pages. The window's event loop drives the
// job, so the program stays responsive without processing events inside a page.

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace nrt::print {

class PrintProgress : public QDialog {
    Q_OBJECT
public:
    // Jobs of this many pages or fewer run at once, without the window.
    static constexpr int kQuietPages = 3;

    PrintProgress(int total, std::function<bool()> step, QWidget* parent);

    // Calls `step` (one page; false once the job is over) until the job is over:
    // true, or false when the user stopped it.
    static bool Run(QWidget* parent, int total, const std::function<bool()>& step);

    void reject() override;

private:
    QProgressBar* bar = nullptr;
    QLabel* pageLabel_ = nullptr;
    QPushButton* cancelButton_ = nullptr;

    void Next();

    std::function<bool()> step_;
    QTimer* timer_ = nullptr;
    int total_;
    int done_ = 0;
};

} // namespace nrt::print
