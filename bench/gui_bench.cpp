// The main window on a 100,000-record book: opening it, refreshing the list by tab and
// kana index, scrolling it through, and the memory it takes. Offscreen.
#include "BenchSupport.h"

#include "app/MainListModel.h"
#include "app/MainWindow.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>

#include <sys/resource.h>

#include <array>
#include <chrono>

using namespace nrt;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StartupFolders folders;
    folders.dataFolder = bench::ScratchDir();
    folders.programFolder = folders.dataFolder;
    folders.documentsFolder = folders.dataFolder;
    std::uint64_t fileSize = 0;
    {
        AppSettings g(folders);
        g.ReadSettings(true);
        platform::fs::MakeDirs(g.BookFile({}));
        platform::fs::AtomicWriteFile(g.BookFile(SJ("nrt_ms01.nms")), SJ("友人\r\n親戚\r\n会社\r\n取引先\r\n学校\r\n"));
        AddressTable db;
        db.CreateDefaultTable();
        bench::FillTable(db, 100000);
        if (db.SaveTable(g.BookFile(SJ("nrt.ndb"))) != TableError::kNone) {
            std::fprintf(stderr, "gui_bench: the table could not be saved\n");
            return 1;
        }
        platform::fs::FileSize(g.BookFile(SJ("nrt.ndb")), fileSize);
    }

    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    const auto t0 = Clock::now();
    gui::MainWindow window(folders);
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
    window.Grid()->viewport()->repaint();
    const auto t1 = Clock::now();
    if (window.Model().RecordRows() != 100000) {
        std::fprintf(stderr, "gui_bench: %d rows listed\n", window.Model().RecordRows());
        return 1;
    }

    auto* tabs = window.findChild<QTabBar*>(QStringLiteral("tag_Main"));
    std::array<QPushButton*, 10> kanaRows {};
    for (int i = 0; i < 10; ++i)
        kanaRows[static_cast<std::size_t>(i)] = window.findChild<QPushButton*>(QStringLiteral("cmd_Kana%1").arg(i + 1));
    int step = 0;
    const double refresh = bench::MedianMs(20, [&] {
        // Alternately a category tab and a kana row, as a user would click through.
        if (step % 2 == 0)
            tabs->setCurrentIndex(1 + (step / 2) % 5);
        else
            kanaRows[static_cast<std::size_t>((step / 2) % 10)]->click();
        window.Grid()->viewport()->repaint();
        ++step;
    });

    tabs->setCurrentIndex(0);
    QApplication::processEvents();
    QScrollBar* bar = window.Grid()->verticalScrollBar();
    const auto s0 = Clock::now();
    int pages = 0;
    for (int v = 0; v <= bar->maximum(); v += bar->pageStep(), ++pages) {
        bar->setValue(v);
        window.Grid()->viewport()->repaint();
    }
    const auto s1 = Clock::now();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    bench::Print("table_file_bytes", static_cast<double>(fileSize), "bytes");
    bench::Print("open_100k_ms", ms(t0, t1), "ms");
    bench::Print("refresh_100k_ms", refresh, "ms");
    bench::Print("scroll_100k_ms", ms(s0, s1), "ms");
    bench::Print("scroll_pages", pages, "pages");
    bench::Print("peak_rss_mb", usage.ru_maxrss / 1024.0, "MB");
    return 0;
}
