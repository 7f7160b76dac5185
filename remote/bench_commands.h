// The bench's SCPI command tree: the common commands and one subsystem per
// instrument.  Each command does what the panel's control does: it sets the
// control through the runtime and runs the control's callback (or calls the
// function the callback calls), so the panel shows the change and the next
// query reads what the panel holds.  Handlers run on the UI thread, between
// capture ticks.  Built in its own library above the instruments, so the
// protocol core in remote/ stays pure.
#pragma once

#include "remote/scpi_tree.h"

// Adds the common commands and every instrument subsystem to tree.
void Remote_BuildBenchTree(scpi::Tree &tree);

// *RST: every instrument to its start-up settings: runs stopped, outputs
// off, the settings of a bench started without a setup file.  The setup
// file is not written.
void Remote_ResetBench(void);

// The record of a scope channel (1..4) as :WAVeform:DATA? gives it: false
// when there is none (no record taken since the last start or reset, the
// channel not acquired, or a streaming record).
bool Remote_ScopeRecord(int channel, const double **values, int *count);
