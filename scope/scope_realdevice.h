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
// Starts a scan for devices on a thread of its own (busy cursor, and the
// rings hold the Demo Card and the rescan entry meanwhile).  Its end, in
// the event loop, fills the three rings and chooses the device in use
// before, when it is still there.  Does nothing while a scan runs.
void RealDevice_Rescan(void);
// 1 while a scan runs.
int RealDevice_Scanning(void);
// Waits at most timeoutMs for a running scan to collect its devices and
// ends it as the event loop would.  Returns 1 when no scan runs any more.
int RealDevice_WaitForScan(int timeoutMs);
// Fills the scope's, generator's and analyzer's device rings from the last
// scan and selects device in them.
void RealDevice_FillRings(void);
// Start-up: a real device number read from the setup file is matched, by
// the identity kept in KorvaxDevice.ini, against a fresh scan that runs
// while the bench starts on the Demo Card; when the scan ends without it
// the Demo Card stays and the status text says so.
void RealDevice_RestoreAtStartup(void);
// Ends every capture and closes the device, waiting for a running scan
// first (exit, tests).
void RealDevice_CloseAll(void);
// Sets the sound inputs' volts at full scale: the scope panel's box and,
// with a sound input in use, its range show it (the scope panel's device
// area and the probe-calibration tool set it).
void RealDevice_SetSoundFullScale(double volts);
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
// The trigger point is the first edge of the trigger source's channel as
// slope and level say (Scope_FindEdge), found in a record taken one search
// stretch longer than asked; a record without one is not shown and the
// status says "Waiting for trigger".  With the source "NONE" (or "EXT")
// the record runs free and the trigger point is its pre_iSample-th sample.
void Scope_DeviceSlotRecord(int slot, double *out, int pre, int n);
// The run ended or was stopped: the scope's capture in progress is dropped.
void Scope_DeviceStop(void);
