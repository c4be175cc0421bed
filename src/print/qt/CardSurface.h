#pragma once
// Pieces the card windows (the layout editor, the preview) share: the card's view
// with its scroll bars, the window's fit on the screen.

class QGridLayout;
class QScrollBar;
class QWidget;

namespace nrt::print {

// Keeps a window within the available area of its screen (or of the primary one):
// no larger than it, and moved inside it; the scroll bars show the rest.
void FitOnScreen(QWidget* window);

// A bar over `extent` pixels shown through `length` of them: enabled when more than
// one pixel is hidden, so every part can be scrolled into view.
void FitScrollBar(QScrollBar* bar, int extent, int length);

// The view with "scr_Right" and "scr_Bottom" beside and below it, made as children
// of the view's parent; scrolling repaints the view. The layout has no margins.
QGridLayout* ScrolledView(QWidget* view, QScrollBar*& right, QScrollBar*& bottom);

} // namespace nrt::print
