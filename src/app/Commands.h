#pragma once
// The commands the other windows add to the main window's menus and toolbar, one
// installer per subsystem, called once at the end of the main window's construction.

#include <string_view>

class QString;

namespace nrt::gui {

class MainWindow;

// Each subsystem defines its installer in its own unit and adds its call in
// MainWindow's constructor (see "Commands of the other windows" there).
void InstallInputCommands(MainWindow& main); // forms/InputCommands.cpp
void InstallExchangeCommands(MainWindow& main); // CSV exchange, users, backup, About box
// A file the program was started with (a desktop opening a contacts file with it): a
// vCard file is imported after the question, a CSV file is put in the CSV import window.
void OpenExchangeFile(MainWindow& main, const QString& path); // forms/ExchangeCommands.cpp
void InstallMailCommands(MainWindow& main); // mail/qt/MailCommands.cpp
void InstallPostalCommands(MainWindow& main);
void InstallDuplicatesCommands(MainWindow& main); // forms/DuplicatesDialog.cpp
void InstallPrintCommands(MainWindow& main); // app/PrintMainCommands.cpp
void InstallCheckCommands(MainWindow& main); // forms/CheckCommands.cpp
// The question before a New Year's card job, and the check of its records when asked for.
void OfferAddressCheck(MainWindow& main, std::string_view printCondition, bool hasSender);
void InstallSyncCommands(MainWindow& main); // forms/SyncCommands.cpp

} // namespace nrt::gui
