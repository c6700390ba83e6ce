// Marks of start-up phases, for a test build that wants to explain where the
// time before the first paint goes. Nobody listens in the shipped program,
// and a mark then costs one atomic load.
#pragma once

namespace ui {

// Called on the thread that reached the mark; `phase` is a string literal.
using PhaseListener = void (*)(const char* phase);

void SetPhaseListener(PhaseListener listener);
// The end of a phase.
void MarkPhase(const char* phase);

}  // namespace ui
