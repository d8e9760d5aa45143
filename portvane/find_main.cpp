// portvane-find: asks the finder for the dongle, as the program would, and prints its device.
// Exit status 0 when found, 1 when not. Scripts use it to choose between a real dongle and
// the meter simulator.

#include "portvane/port_query.h"
#include "version/version_option.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (answerVersion("portvane-find", argc, argv))
        return 0;
    PortQuery query{"TI CC2540 USB CDC", "", 0, nullptr};
    gets(&query);
    if (query.found != 1 || query.portName == nullptr || query.portName[0] == '\0')
        return 1;
    std::puts(query.portName);
    return 0;
}
