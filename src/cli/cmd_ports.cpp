// Command ports (the ports the scan tries, with what the system knows of each) and the reasons a
// port could not be opened, with their exit statuses.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "link/korvane_com.h"
#include "platform/port_info.h"
#include "platform/port_names.h"
#include "shell/startup.h"

int portProblemStatus(PortProblem p) {
    switch (p) {
    case PortProblem::Permission:
        return kExitPortPermission;
    case PortProblem::Busy:
        return kExitPortBusy;
    case PortProblem::Missing:
        return kExitPortMissing;
    default:
        return kExitNoDevice;
    }
}

int reportPortProblems() {
    int status = kExitNoDevice;
    const auto say = [&status](const PortOpenFailure& f) {
        std::fprintf(stderr, "korvane-cli: %s\n", consoleText(portProblemText(f)).c_str());
        if (status == kExitNoDevice) status = portProblemStatus(f.problem);
    };
    if (Com_named_failure.problem != PortProblem::None) say(Com_named_failure);
    for (const PortOpenFailure& f : Porte_failed)
        if (f.path != Com_named_failure.path) say(f);
    return status;
}

namespace {

int cmdPorts(const CliArgs& args) {
    if (!args.empty()) return usageError("ports takes no arguments");
    const std::vector<std::string> names = scanPortNames();
    if (names.empty()) {
        std::fprintf(stderr, "korvane-cli: no serial port found\n");
        return 1;
    }
    for (const std::string& name : names) {
        const PortInfo p = describePort(name);
        std::printf("%s\n", name.c_str());
        if (p.device != name) std::printf("  device:       %s\n", p.device.c_str());
        if (!p.byId.empty() && p.byId != name) std::printf("  by-id:        %s\n", p.byId.c_str());
        if (p.usb()) std::printf("  usb:          %s:%s\n", p.vendorId.c_str(), p.productId.c_str());
        if (!p.manufacturer.empty()) std::printf("  manufacturer: %s\n", p.manufacturer.c_str());
        if (!p.product.empty()) std::printf("  product:      %s\n", p.product.c_str());
        if (!p.serial.empty()) std::printf("  serial:       %s\n", p.serial.c_str());
    }
    return 0;
}

const CliCommandRegistrar
    kPorts({"ports",
            "ports                      list the ports the scan tries, in its order, with the "
            "device node,\n"
            "                             the /dev/serial/by-id name and the USB vendor, product "
            "and serial\n"
            "                             number where the system knows them. Exit 0, 1 no port.\n"
            "                             (A command that finds no device exits 2; 4 when a port "
            "may not be\n"
            "                             used, 5 when another program holds it, 6 when it does "
            "not exist.)",
            cmdPorts, 5});

} // namespace
