#include "ui/PhaseTrace.h"

#include <atomic>

namespace ui {

namespace {
std::atomic<PhaseListener> listener{nullptr};
}

void SetPhaseListener(PhaseListener value) { listener.store(value); }

void MarkPhase(const char* phase) {
    if (PhaseListener current = listener.load()) current(phase);
}

}  // namespace ui
