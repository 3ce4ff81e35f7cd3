// A guard against processor faults (access violations, illegal instructions, integer division
// by zero and the like) around one piece of work, such as a receive attempt that runs the
// transport library's code on data a terminal sent.
#pragma once

namespace termlink::os {

// Runs proc(argument). True when it ran to its end; false when a processor fault abandoned it.
//
// On Windows this is structured exception handling: a frame-based handler around the call
// takes the fault, unwinds the frames inside the guard and resumes after the call; frames must
// not rely on destructors there. Other exceptions pass on. Elsewhere proc simply runs: a fault
// ends the process as usual.
bool CallGuarded(void (*proc)(void* argument), void* argument);

} // namespace termlink::os
