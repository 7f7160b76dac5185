// Streaming capture to RAM: one long decimated record per slot.
#include "scope/scope.h"

void StreamingRAMCapture(void) {}
