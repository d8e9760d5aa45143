#pragma once

class TCustomComPort;

// Gives a port the design-time values of the main window's ComPort:
// read interval 10 ms, write 100 ms per byte + 300 ms, queues 4000/40,
// every event but CTS and DSR (mask 0x05E7), window synchronisation. Baud
// rate and flow control stay at the defaults until the port is chosen.
// QtCore only, so a front end without widgets may give its port the same.
void LoadComPortDesign(TCustomComPort &port);
