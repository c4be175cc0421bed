#include "app/Application.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace nrt::gui {

bool SetUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("nortea"));
    QApplication::setDesktopFileName(QStringLiteral("nortea"));
    QApplication::setWindowIcon(QIcon(QApplication::applicationDirPath() + QStringLiteral("/nortea.png")));
    // The program speaks Japanese whatever the session's language is.
    auto* qtTexts = new QTranslator(&app);
    if (!qtTexts->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtTexts;
        return false;
    }
    QApplication::installTranslator(qtTexts);
    return true;
}

} // namespace nrt::gui
