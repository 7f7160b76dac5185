// The analyzer on the selected real device.
#pragma once

// One capture step with a real device selected: when the device's record
// of n samples is complete, its logic lines are split and drawn and the
// next record is asked for; a failure stops the analyzer with a message.
// Returns 0 with the Demo Card selected (the analyzer's own source runs).
int Digital_DeviceCapture(int n);
