#pragma once
// "プレビュー": the records the main window lists, one card or label sheet at a time,
// drawn by the renderer at the layout's editor scale and shown at 200, 150, 100, 75, 50
// or 25 %, in as many pixels as the screen and the zoom show.

#include <QDialog>
#include <QImage>

#include <functional>
#include <utility>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollBar;
class QStatusBar;

namespace nrt {
class AppSettings;
}

namespace nrt::print {

class CardRenderer;
class PreviewView;

class PrintPreview : public QDialog {
    Q_OBJECT
public:
    // The renderer has been prepared (rows, sender, layout).
    PrintPreview(CardRenderer& renderer, AppSettings& settings, QWidget* parent = nullptr);
    ~PrintPreview() override;

    int PageCount() const;
    int CurrentPage() const;
    double Zoom() const { return zoom_; }
    // The page as drawn, at SurfaceRatio() device pixels per pixel of CardSize().
    const QImage& Surface() const { return surface_; }
    QSize CardSize() const { return card_; }
    qreal SurfaceRatio() const;

    // Called after each print command whose dialog was accepted; the renderer's
    // PrintedRecords then name what the job put out (none when it failed or was cancelled).
    void SetAfterPrint(std::function<void()> afterPrint) { afterPrint_ = std::move(afterPrint); }

    void previousClicked();
    void nextClicked();
    void printClicked();
    void N1Click();
    void SetZoom(int percent);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    QMenuBar* menuBar = nullptr;
    QAction* printAction_ = nullptr;
    QAction* N1 = nullptr;
    QAction* closeAction_ = nullptr;
    QAction* previousAction_ = nullptr;
    QAction* nextAction_ = nullptr;
    QMenu* popupSize = nullptr;
    QAction* zoom200Action_ = nullptr;
    QAction* zoom150Action_ = nullptr;
    QAction* zoom100Action_ = nullptr;
    QAction* zoom75Action_ = nullptr;
    QAction* zoom50Action_ = nullptr;
    QAction* zoom25Action_ = nullptr;
    QScrollBar* verticalScroll_ = nullptr;
    QScrollBar* horizontalScroll_ = nullptr;
    QStatusBar* statusBar = nullptr;
    QLabel* panelCount = nullptr;
    QLabel* panelPage = nullptr;
    QLabel* panelNote = nullptr;

    friend class PreviewView;
    void DrawPage();
    void UpdateScrollBars();
    void RememberPlacement();
    void PrintPagesOf(int page);

    CardRenderer& renderer_;
    AppSettings& settings_;
    PreviewView* view_ = nullptr;
    QImage surface_;
    QSize card_;
    double zoom_ = 1.0;
    bool placementSaved_ = false;
    std::function<void()> afterPrint_;
};

} // namespace nrt::print
