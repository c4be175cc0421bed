#pragma once
// The postal data import: turns the national postal-code list (a CSV file) into the
// dictionary of the data folder. The import itself is ImportPostalList's.

#include <QDialog>

#include <string>

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace nrt {
class AppSettings;
}

namespace nrt::gui {

class PostalImportDialog : public QDialog {
    Q_OBJECT
public:
    // Where the national list can be downloaded (shown in downloadPageEdit_).
    static constexpr const char* kDownloadPage = "https://www.post.japanpost.jp/zipcode/download.html";
    // Entry of "NrtPath.dat" that remembers the last list imported.
    static constexpr int kPathEntry = 3;

    explicit PostalImportDialog(AppSettings& settings, QWidget* parent = nullptr);

    // The path as the import takes it: a bare name lies in the documents folder, and a
    // name without an extension gets ".CSV".
    std::string CompletedPath(const std::string& typed) const;

    // The handlers, callable by tests as the controls call them.
    void importClicked();
    void browseClicked();
    void downloadPageClicked();

private:
    QLineEdit* pathEdit_ = nullptr;
    QLineEdit* downloadPageEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    // The progress of the whole import; shown from the first import on.
    QProgressBar* importProgress_ = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppSettings& settings_;
};

} // namespace nrt::gui
