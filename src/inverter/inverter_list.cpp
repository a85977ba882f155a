#include "inverter/inverter_list.h"

#include <cstdio>

#include "boards/energy_board.h"
#include "inverter/aurora.h"
#include "link/korvane_com.h"

namespace {

// One query to inverter `address` (its low 8 bits go on the line).
int query(Window owner, unsigned address, uint8_t command, uint8_t argument, AuroraPacket& pkt) {
    pkt = AuroraPacket{static_cast<uint8_t>(address & 0xFFu), command, argument};
    return get_dati_powerone(owner, pkt);
}

} // namespace

int refresh_dati_inv(Window owner, InverterListView& view) {
    TextBox* box = &view.listBox();
    float total = 0; // [W]
    view.setTotal("");
    for (int i = 0; i < 30; ++i) printf_API(box, "\r\n");
    box->clear();

    const unsigned n = inverterCount(EE), a = firstInverterAddress(EE);
    printf_API(box, "%s: %u\r\n", "Numero di inverter", n);
    if (n != 0) printf_API(box, "%s: %u...%u\r\n", "Campo indirizzi", a, a + n - 1);
    printf_API(box, "-------------------------------------\r\n");

    AuroraPacket pkt{};
    for (unsigned x = a; x < a + n; ++x) {
        printf_API(box, "(%03u)-SN:", x);
        int r = query(owner, x, kAuroraSerial, 0, pkt);
        if (r == kAuroraAbort) return 0;
        if (r == kAuroraIgnore)
            printf_API(box, "Error-");
        else
            printf_API(box, "%s-", reinterpret_cast<const char*>(pkt.data()));

        r = query(owner, x, kAuroraVersion, 0, pkt);
        if (r == kAuroraAbort) return 0;
        printf_API(box, "%s", r == kAuroraIgnore ? "Error" : auroraModelName(pkt[2]));

        for (uint8_t input : {kMeasurePin1, kMeasurePin2}) {
            printf_API(box, input == kMeasurePin1 ? "\r\n- Pin1: " : "\r\n- Pin2: ");
            r = query(owner, x, kAuroraMeasure, input, pkt);
            if (r == kAuroraAbort) return 0;
            if (r == kAuroraIgnore) {
                printf_API(box, "Error");
            } else {
                const float p = auroraMeasureValue(pkt);
                printf_API(box, "%1.0f W", static_cast<double>(p));
                total += p;
            }
        }
        printf_API(box, "\r\n\r\n");
    }
    char label[64];
    std::snprintf(label, sizeof label, "Pin: %1.0f W", static_cast<double>(total));
    view.setTotal(label);
    return 1;
}
