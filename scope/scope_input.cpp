// The simulated card's input: generator channel 1 as the scope sees it.
#include "scope/scope.h"

int Scope_SynthesizeInput(double *, int, double, double) { return 0; }
