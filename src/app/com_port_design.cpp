#include "app/com_port_design.h"

#include "link/com_port.h"

void LoadComPortDesign(TCustomComPort &port)
{
    TComTimeouts timeouts;
    timeouts.ReadInterval = 10;
    timeouts.ReadTotalMultiplier = 0;
    timeouts.ReadTotalConstant = 0;
    timeouts.WriteTotalMultiplier = 100;
    timeouts.WriteTotalConstant = 300;
    port.BeginUpdate();
    port.SetTimeouts(timeouts);
    port.SetBuffer({4000, 40});
    port.SetEvents(kAllComEvents & ~TComEvents(evCTS | evDSR));
    port.EndUpdate();
    port.SetSyncMethod(smWindowSync);
}
