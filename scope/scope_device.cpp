// Device selection: applies the Demo Card's configuration to the panels.
#include "scope/scope.h"

void Select_Device(short) {}
