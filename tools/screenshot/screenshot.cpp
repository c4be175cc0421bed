// Makes the README's picture of the main window: a few addresses in a temporary data
// folder, the window shown offscreen and grabbed into a PNG.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace nrt;

namespace {

// The sample records fit the default fields; a refusal would leave the pictures wrong.
void Store(RecordError code)
{
    if (code != RecordError::kNone) {
        std::fprintf(stderr, "screenshot: the table refused a sample (%d)\n", static_cast<int>(code));
        std::exit(1);
    }
}

struct Sample {
    const char* name;
    const char* kana;
    const char* postal;
    const char* pref;
    const char* addr1;
    const char* tel;
    const char* category;
    const char* mark;
};

constexpr Sample kSamples[] = {
    { "山田　太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "100-0013", "東京都", "千代田区霞が関１－２－３", "03-3581-0000", "友人", "1" },
    { "佐藤　花子", "ｻﾄｳ ﾊﾅｺ", "530-0001", "大阪府", "大阪市北区梅田２－４－９", "06-6345-0000", "会社", "1" },
    { "鈴木　一郎", "ｽｽﾞｷ ｲﾁﾛｳ", "460-0008", "愛知県", "名古屋市中区栄３－１５－３３", "052-251-0000", "親戚", "0" },
    { "高橋　美咲", "ﾀｶﾊｼ ﾐｻｷ", "060-0042", "北海道", "札幌市中央区大通西４－１", "011-231-0000", "友人", "1" },
    { "田中　健一", "ﾀﾅｶ ｹﾝｲﾁ", "812-0011", "福岡県", "福岡市博多区博多駅前２－１－１", "092-441-0000", "会社", "0" },
    { "渡辺　陽子", "ﾜﾀﾅﾍﾞ ﾖｳｺ", "980-0811", "宮城県", "仙台市青葉区一番町４－９－１", "022-222-0000", "親戚", "1" },
    { "伊藤　誠", "ｲﾄｳ ﾏｺﾄ", "600-8005", "京都府", "京都市下京区四条通烏丸東入", "075-211-0000", "友人", "1" },
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gui::SetUpApplication(app);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("nortea.png");
    QTemporaryDir dir;
    StartupFolders folders;
    folders.dataFolder = platform::Utf8ToSjis(dir.path().toStdString());
    folders.programFolder = folders.dataFolder;
    folders.documentsFolder = folders.dataFolder;
    {
        AppSettings g(folders);
        g.ReadSettings(true);
        platform::fs::MakeDirs(g.BookFile({}));
        platform::fs::AtomicWriteFile(g.BookFile(SJ("nrt_ms01.nms")), SJ("友人\r\n会社\r\n親戚\r\n"));
        AddressTable db;
        db.CreateDefaultTable();
        for (const Sample& s : kSamples) {
            db.ClearCurrent();
            Store(db.SetValue(field::kSender, "0"));
            Store(db.SetValue(field::kPrintMark, s.mark));
            Store(db.SetValue(field::kName, platform::Utf8ToSjis(s.name)));
            Store(db.SetValue(field::kKana, platform::Utf8ToSjis(s.kana)));
            Store(db.SetValue(field::kHonorific, SJ("様")));
            Store(db.SetValue(field::kPostalCode, s.postal));
            Store(db.SetValue(field::kPrefecture, platform::Utf8ToSjis(s.pref)));
            Store(db.SetValue(field::kAddress1, platform::Utf8ToSjis(s.addr1)));
            Store(db.SetValue(field::kPhone, s.tel));
            Store(db.SetValue(field::kCategory, platform::Utf8ToSjis(s.category)));
            Store(db.PostRecord());
        }
        if (db.SaveTable(g.BookFile(SJ("nrt.ndb"))) != TableError::kNone) {
            std::fprintf(stderr, "screenshot: the table could not be saved\n");
            return 1;
        }
    }
    gui::MainWindow window(folders);
    window.resize(960, 560);
    window.show();
    QApplication::processEvents();
    const bool saved = window.grab().save(out);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", out.toLocal8Bit().constData());
    return saved ? 0 : 1;
}
