#pragma once
// The commands the other windows add to the main window's menus and toolbar, one
// installer per subsystem, called once at the end of the main window's construction.

namespace nrt::gui {

class TfrmMain;

// Each subsystem defines its installer in its own unit and adds its call in
// TfrmMain's constructor (see "Commands of the other windows" there).
void InstallInputCommands(TfrmMain& main); // forms/InputCommands.cpp
void InstallExchangeCommands(TfrmMain& main); // CSV exchange, users, backup, About box
void InstallMailCommands(TfrmMain& main); // mail/qt/MailCommands.cpp
void InstallPostalCommands(TfrmMain& main);

} // namespace nrt::gui
