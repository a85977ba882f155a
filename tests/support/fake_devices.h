#pragma once
// Minimal scripted peers for probe and start-up tests (the full devices live in the simulator).
#include <string>

#include "support/pty_peer.h"

// A device that identifies itself with `atvr` ("B018"): "***", "ATCM08" and "ATCM00" answer
// "OK", everything else "ERR".
PtyPeer::Responder fakeDevice(const std::string& atvr);
// A modem in numeric mode without echo: every command answers "0".
PtyPeer::Responder fakeModem();
// A boot loader: "***" answers the two raw bytes `version`, 0xB0 | `low`.
PtyPeer::Responder fakeBootLoader(unsigned char version, unsigned char low);
