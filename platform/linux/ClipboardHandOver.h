#pragma once

// Hands what the program owns on the clipboard to the desktop's clipboard manager,
// as a program that quits normally does, so that a copy survives the program's
// end. No handler of the program runs meanwhile.
namespace ClipboardHandOver {

// Returns once the manager has taken the data, there is nothing to hand over or
// no manager runs, or `timeoutMs` has passed.
void run(int timeoutMs = 5000);

} // namespace ClipboardHandOver
