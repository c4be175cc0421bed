#pragma once
// What every process with ノルテア's windows sets up on its application object: the
// names, the icon and Qt's own texts in Japanese.

class QApplication;

namespace nrt::gui {

// Names the program for the desktop (without a display name, which the desktop would
// append to every window title) and installs Qt's Japanese translations, so that the
// standard buttons read はい / いいえ / キャンセル and the file and print dialogs are in
// Japanese. Returns false when the translations are not installed (the buttons then
// stay in English). Return on a focused button presses it in every window.
bool SetUpApplication(QApplication& app);

} // namespace nrt::gui
