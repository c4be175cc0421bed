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
    // Where the national list can be downloaded (shown in txt_Post).
    static constexpr const char* kDownloadPage = "https://www.post.japanpost.jp/zipcode/download.html";
    // Entry of "NrtPath.dat" that remembers the last list imported.
    static constexpr int kPathEntry = 3;

    explicit PostalImportDialog(AppSettings& global, QWidget* parent = nullptr);

    // The path as the import takes it: a bare name lies in the documents folder, and a
    // name without an extension gets ".CSV".
    std::string CompletedPath(const std::string& typed) const;

    // The handlers, callable by tests as the controls call them.
    void cmd_InportClick();
    void cmd_FileNameClick();
    void txt_PostClick();

private:
    QLineEdit* txt_Path = nullptr;
    QLineEdit* txt_Post = nullptr;
    QPushButton* cmd_FileName = nullptr;
    QPushButton* cmd_Inport = nullptr;
    QPushButton* cmd_Close = nullptr;
    // The progress of the whole import; shown from the first import on.
    QProgressBar* prg_Inport = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppSettings& global_;
};

} // namespace nrt::gui
