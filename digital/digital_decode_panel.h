// The analyzer's decoder and simulated-bus controls and panels: callbacks
// the resource file binds, and the drawing of a finished decode.
#pragma once

#include "benchstate/benchstate.h"

// Draws the decoded capture: its traces, the annotation rows under them and
// the status line; shows a decoder's error once.  The decode display hook.
void Digital_ShowDecode(void);
// Refills the analyzer's list of added decoders (selecting selectId).
void Digital_FillDecoderList(int selectId);
// Shows the decoder controls when the decoder runtime is available, hides
// them when it is not.
void Digital_ShowDecoderControls(void);
// The "Protocol Decoder" panel (0 before its first use) and its reset (tests).
int Digital_DecodePanelHandle(void);
void Digital_DecodePanelReset(void);

// The simulated bus's panel (0 before its first use); bus settings from it.
int Digital_BusPanelHandle(void);
void Digital_BusPanelReset(void);
// Reads the bus panel into dBus; false (with a message popup) on a bad
// field, dBus then unchanged.
bool Digital_ReadBusPanel(void);

int Digital_Source(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Display_Bus(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Bus_Apply(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_Bus(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Add_Decoder(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Edit_Decoder(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Remove_Decoder(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Digital_Decoder_Choice(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Decoder_Choice(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Decoder_Stack_Choice(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Decoder_Channel_Choice(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Decoder_Line(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Decoder_Option_Choice(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Decoder_Option_Value(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Decoder_OK(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Decoder_Cancel(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Digital_Decode_Timer(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
