// The service's command line, as Windows hands it over: any text gives one
// of the three commands, and a registration switch only where it ends the line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "service/process/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const tb::ServiceCommand command = tb::parseCommandLine(line);
    if (command != tb::ServiceCommand::Run && line.find_first_of("-/") == std::string::npos)
        __builtin_trap();
    return 0;
}
