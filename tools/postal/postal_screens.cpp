// nortea-postal-screens PROGRAM_FOLDER OUTDIR [RATIO]: looks up 100-0013 in the dictionary a
// program folder ships (as nortea started from that folder with no dictionary of its
// own would), walks the address browser from 東京都 to 霞が関 and draws each step and
// the import window offscreen into PNG files, for checking the shipped dictionary and
// for the manual.
#include "app/Application.h"
#include "forms/AddressBrowser.h"
#include "forms/PostalImportDialog.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalLookup.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace nrt;
using namespace nrt::gui;

namespace {

bool Save(QWidget& w, const QString& folder, const char* name)
{
    w.show();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.toLocal8Bit().constData());
    return ok;
}

QTableView* Grid(const AddressBrowser& w)
{
    return w.findChild<QTableView*>(QStringLiteral("griMain"));
}

int RowOf(const AddressBrowser& w, const char* utf8)
{
    const QAbstractItemModel* m = Grid(w)->model();
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->data(m->index(r, 1)).toString() == QString::fromUtf8(utf8))
            return r;
    return -1;
}

// Chooses the row named `utf8`, after showing it selected; false when there is none.
bool Step(AddressBrowser& w, const char* utf8, const QString& folder, const char* shot)
{
    const int row = RowOf(w, utf8);
    if (row < 0) {
        std::fprintf(stderr, "no row %s at the browser's level %d\n", utf8, w.Browser().GetLevel());
        return false;
    }
    QTableView* grid = Grid(w);
    grid->selectRow(row);
    grid->scrollTo(grid->model()->index(row, 0));
    Save(w, folder, shot);
    w.Choose(row);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: nortea-postal-screens PROGRAM_FOLDER OUTDIR [RATIO]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gui::SetUpApplication(app);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTemporaryDir data;
    StartupFolders folders;
    folders.programFolder = platform::Utf8ToSjis(argv[1]) + "/";
    folders.dataFolder = platform::Utf8ToSjis(data.path().toStdString()) + "/";
    folders.documentsFolder = folders.dataFolder;
    AppSettings g(folders);
    g.ReadSettings(true);
    platform::fs::MakeDirs(g.BookFile({}));
    if (argc == 4)
        g.SetScalePercent(std::atoi(argv[3])); // the display magnification, in percent

    int status = 0;
    PostalRecordText text;
    const auto entry = FindPostalCode(g.PostalFile({}), SJ("100-0013"));
    if (entry && ReadPostalRecord(g.PostalFile({}), entry->offset, text)) {
        std::printf("100-0013: %s (%s)\n", platform::SjisToUtf8(text.address).c_str(),
            platform::SjisToUtf8(text.reading).c_str());
    } else {
        std::printf("100-0013: not found in %s\n", platform::SjisToUtf8(g.PostalFile({})).c_str());
        status = 1;
    }

    AddressBrowser browser(g.PostalFile({}), "", g.GetScalePercent());
    if (Step(browser, "東京都", out, "address-1-prefectures.png")
        && Step(browser, "千代田区", out, "address-2-cities.png")
        && Step(browser, "霞が関", out, "address-3-towns.png")) {
        const auto choice = browser.Choice();
        std::printf("browser: %s %s%s%s\n", choice ? platform::SjisToUtf8(choice->code).c_str() : "-",
            choice ? platform::SjisToUtf8(choice->prefecture).c_str() : "",
            choice ? platform::SjisToUtf8(choice->city).c_str() : "",
            choice ? platform::SjisToUtf8(choice->town).c_str() : "");
        if (!choice)
            status = 1;
    } else {
        status = 1;
    }

    PostalImportDialog import(g);
    import.findChild<QLineEdit*>(QStringLiteral("txt_Path"))->setText(QStringLiteral("KEN_ALL.CSV"));
    Save(import, out, "yubininport.png");
    return status;
}
