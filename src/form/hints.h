#pragma once

class QWidget;

// The window's tooltips: what each control, menu and menu item does, in the words of someone
// who edits units, with the record byte a field lives in and the key a command answers to.
namespace varnel::form {

// Sets a tooltip on every control of the control table and every menu and menu item of the menu
// bar, and on the status bar's labels where the window keeps none of its own; a name the window
// lacks is skipped. Every menu shows its items' tooltips. Applying it again changes nothing.
void applyHints(QWidget& window);

}  // namespace varnel::form
