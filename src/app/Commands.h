#pragma once
// The commands the other windows add to the main window's menus and toolbar, one
// installer per subsystem, called once at the end of the main window's construction.

namespace nrt::gui {

class MainWindow;

// Each subsystem defines its installer in its own unit and adds its call in
// MainWindow's constructor (see "Commands of the other windows" there).
void InstallInputCommands(MainWindow& main); // forms/InputCommands.cpp
void InstallExchangeCommands(MainWindow& main); // CSV exchange, users, backup, About box
void InstallMailCommands(MainWindow& main); // mail/qt/MailCommands.cpp
void InstallPostalCommands(MainWindow& main);
void InstallPrintCommands(MainWindow& main); // app/PrintMainCommands.cpp

} // namespace nrt::gui
