// Real acquisition devices in the bench: the devices found by a scan get
// the numbers 2, 3, ... in the device rings after the Demo Card (1).  The
// selected one is opened in a session (devices/device_session.h) whose
// captures run off the UI thread; the scope, the voltmeter and the digital
// analyzer each ask it for records from their own ticks.  With the Demo
// Card selected nothing here is in use.
#pragma once

#include "devices/device_session.h"

// Value of the rings' "Rescan devices" entry.
inline constexpr int kRescanDevices = -1;
// File in the configuration folder keeping the last real device's identity.
inline constexpr const char *kDeviceFileName = "KorvaxDevice.ini";

// ----------------------------------------------- selection (scope_realdevice_select.cpp)
// Called first by Select_Device.  Applies a real device's capabilities and
// returns 1; returns 0 when the Demo Card is to be applied (number 1, or a
// real device that cannot be opened: the user is told, the rings go back to
// the Demo Card).  The rescan entry scans and keeps the device in use.
int RealDevice_Select(short number);
// The open session of the selected real device, or null (Demo Card).
devices::DeviceSession *RealDevice_Session(void);
// Scans for devices (busy cursor meanwhile) and fills the three rings.
void RealDevice_Rescan(void);
// Fills the scope's, generator's and analyzer's device rings from the last
// scan and selects device in them.
void RealDevice_FillRings(void);
// Start-up: a real device number read from the setup file is matched, by
// the identity kept in KorvaxDevice.ini, against a fresh scan; when it is
// not there the Demo Card is used and the status text says so.
void RealDevice_RestoreAtStartup(void);
// Ends every capture and closes the device (exit, tests).
void RealDevice_CloseAll(void);
// Volts at full scale of a sound input (scope panel's device area).
int Scope_Device_Scale(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);

// --------------------------------------------------- capture (scope_realdevice.cpp)
// Start of a capture tick with a real device selected: 1 when a complete
// record is there for this tick (the tick goes on as with the Demo Card), 0
// when the tick must return (still waiting, or a failure that ended the run
// with a message).
int Scope_DeviceTick(void);
// The slot's samples of the record taken by the tick: out receives pre + n
// samples, out[pre] being the trigger point (0 V where the record has none).
void Scope_DeviceSlotRecord(int slot, double *out, int pre, int n);
// The run ended or was stopped: the scope's capture in progress is dropped.
void Scope_DeviceStop(void);
