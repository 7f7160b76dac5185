// The voltmeter on a real device.
#pragma once

// With a real device selected: measures the latest complete record of the
// device's input channel (CH1 = 0) into *reading and asks for the next one;
// returns 1 (the reading stays as it was while no record is complete).
// Returns 0 with the Demo Card selected.
int Voltmeter_DeviceReading(int channel, int measure, double *reading);
