#include "shell/startup.h"

#include <cstdio>
#include <filesystem>

#include "link/korvane_com.h"
#include "link/modem.h"
#include "logger/session.h"
#include "platform/port_names.h"
#include "shell/phone_book.h"

int deviceTimeout() {
    return TMO_value != 0 ? static_cast<int>(TMO_value) : 2000;
}

std::vector<PortOpenFailure> Porte_failed;

std::string scanFailureText() {
    std::string text;
    for (PortProblem kind : {PortProblem::Permission, PortProblem::Busy}) {
        const PortOpenFailure* first = nullptr;
        int more = 0;
        for (const PortOpenFailure& f : Porte_failed) {
            if (f.problem != kind) continue;
            if (first)
                ++more;
            else
                first = &f;
        }
        if (!first) continue;
        if (!text.empty()) text += "\r\n";
        text += portProblemText(*first);
        if (more > 0) text += " (Anche altre " + std::to_string(more) + " porte.)";
    }
    return text;
}

int scanComPorts() {
    Porte.clear();
    Nport = 0;
    Porte_failed.clear();
    for (const std::string& name : scanPortNames()) {
        ComHandle h = openComPort(name);
        if (!h) {
            const PortProblem p = Com_open_failure.problem;
            if (p == PortProblem::Permission || p == PortProblem::Busy)
                Porte_failed.push_back(Com_open_failure);
            continue;
        }
        if (Porte.size() < kMaxScanPorts) {
            Porte.push_back(name);
            Nport = static_cast<int>(Porte.size());
        }
        initCOM(h);
        Timeout_rx = 100;
        if (test_hCom(h) == 1) {
            Timeout_rx = deviceTimeout();
            hCom = h;
            assignCapped(CommPort, name, kCommPortMax);
            return 1;
        }
        restoreCOM(h);
        closeComPort(h);
    }
    Timeout_rx = deviceTimeout();
    return 0;
}

int openAndProbe(const std::string& name) {
    assignCapped(CommPort, name, kCommPortMax);
    if (hCom) closeComPort(hCom);
    hCom = openComPort(CommPort);
    if (!hCom) return 0;
    initCOM(hCom);
    if (test_hCom(hCom) == 1) return 1;
    restoreCOM(hCom);
    closeComPort(hCom);
    return 0;
}

int runStartup(const char* cmdLine, StartupScreens& screens) {
    initVAR();
    readCMD(cmdLine);
    std::error_code ec;
    Exe_dir = std::filesystem::current_path(ec).string();
    setProgramNames();

    if (Flag.COM_ext == 1) {
        Timeout_rx = deviceTimeout();
        if (test_hCom(hCom) != 1) {
            messageBox(nullptr, deviceNotFoundText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
            closeComPort(hCom);
            return 0;
        }
    } else if (!Data_file.empty()) {
        screens.quickView();
        if (!DataTimeSS.empty()) std::filesystem::remove(DataTimeSS, ec);
        return 0;
    } else if (screens.selectPort() != 2) {
        closeComPort(hCom);
        return 0;
    }

    int result;
    if (Flag.modem == 1) {
        result = screens.remote();
        modemLostAcknowledged();
        sendCOMMAND(hCom, "ATZ\r", kModeCR);
        saveRemoteIni();
    } else {
        for (;;) {
            result = Flag.RX43BOOT == 1 ? screens.loader() : screens.mainDialog();
            // The port was lost on the way (an adapter unplugged, the device switched off): the
            // port selection comes again, so the work goes on without starting the program anew.
            if (!Com_lost) break;
            closeComPort(hCom);
            Com_lost = 0;
            if (!DataTimeSS.empty()) std::filesystem::remove(DataTimeSS, ec);
            DataTimeSS.clear();
            if (screens.selectPort() != 2) break;
        }
    }
    closeComPort(hCom);
    if (!DataTimeSS.empty()) std::filesystem::remove(DataTimeSS, ec);
    return result;
}
