#pragma once
// Every modal window of the module is shown through ShowModal, so a test can
// act inside the window while it is up (the hook runs once it is on screen).

#include <functional>

class QDialog;
class QWidget;

namespace pcp {

using ModalHook = std::function<void(QDialog*)>;

// Shows the window modally over its owner (none for the register) and returns
// when it is closed; the dialog's result code.
int ShowModal(QDialog* window, QWidget* owner);

// Called from inside the window's own event loop, right after it is shown.
void SetModalHook(ModalHook hook);
// The hook in use, so a replacement can put back what it replaced.
ModalHook CurrentModalHook();

// How many modal windows are open now (tests check nothing is left open).
int OpenModalCount();

}  // namespace pcp
