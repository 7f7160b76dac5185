// Chief header of the bench: the shared state and every instrument.
#pragma once

#include "benchstate/benchstate.h"
#include "shell/shell.h"
#include "scope/scope.h"
#include "generator/generator.h"
#include "meters/meters.h"
#include "digital/digital.h"
