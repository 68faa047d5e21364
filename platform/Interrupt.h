#pragma once
// Ctrl+C and the termination request of a console run (SIGINT, SIGTERM). The handler only notes
// the request; the program polls it where it can stop cleanly (the command line turns it into the
// report's Terminated), so an interrupted print leaves no half-written output behind.

namespace Interrupt {

// Installs the handlers; a second call does nothing.
void Install();
// Whether an interrupt arrived since Install, and which signal it was (0 for none).
bool Requested();
int Signal();

} // namespace Interrupt
