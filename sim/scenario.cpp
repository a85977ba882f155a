// Flash scenarios: a photovoltaic plant with a weather node and two inverter nodes records its
// measurements; the records are packed into data pages behind each session's assignment table
// in the flash ring, and the newest records wait in the temporary buffer.
#include "sim/scenario.h"

#include <algorithm>
#include <cmath>

#include "sim/splitmix.h"

namespace sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The scenario's generator, seeded from the scenario seed.
struct Rng : SplitMix64 {
    explicit Rng(uint64_t seed) : SplitMix64{seed * 0x2545F4914F6CDD1Dull + 0x1234567ull} {}
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1)); }
    double noise() { return uniform() + uniform() + uniform() - 1.5; } // about -1.5..1.5, bell-shaped
};

int16_t clamp16(double v) {
    const long r = std::lround(v);
    return static_cast<int16_t>(std::clamp<long>(r, -32768, 32767));
}
int16_t unsigned16(double v) { // a quantity stored as an unsigned 16-bit value
    const long r = std::clamp<long>(std::lround(v), 0, 65535);
    return static_cast<int16_t>(static_cast<uint16_t>(r));
}

enum class Role { Weather, InverterA, InverterB };

// Physical channels of each node kind, in configuration order.
const std::vector<uint8_t>& channelCodes(Role r) {
    static const std::vector<uint8_t> weather = {kQtyIrradiance, kQtyAirTemperature, kQtyTemperature,
                                                 kQtyHumidity, kQtyPressure};
    static const std::vector<uint8_t> invA = {kQtyVoltageDC,  kQtyCurrentDC,   kQtyPowerDC,  kQtyVoltageRMS,
                                              kQtyCurrentRMS, kQtyPowerActive, kQtyHighHalf, kQtyEnergy};
    static const std::vector<uint8_t> invB = {kQtyVoltageDC, kQtyHighHalf,    kQtyEnergy,     kQtyCurrentDC2,
                                              kQtyPowerKW,   kQtyVoltagePeak, kQtyCurrentPeak};
    return r == Role::Weather ? weather : r == Role::InverterA ? invA : invB;
}

struct NodeModel {
    Role role;
    ScenarioNode node;
    double pnom = 0;         // inverter's nominal power [W]
    double energyWh = 0;     // energy counter [Wh]
    int64_t lastSample = -1; // [s since 2000] of the previous sample (energy integration)
};

// The plant's weather: a clear-sky sun, clouds that change per day, temperatures and pressure.
struct Plant {
    Rng& rng;
    std::vector<NodeModel> nodes;
    int64_t errFrom = -1, errTo = -1; // pressure sensor without a reading [s since 2000]
    std::vector<double> dayClouds;    // per day since 2000
    int64_t firstDay = 0;

    explicit Plant(Rng& r) : rng(r) {}

    double cloudiness(int64_t day) {
        if (dayClouds.empty()) firstDay = day;
        while (static_cast<int64_t>(dayClouds.size()) <= day - firstDay)
            dayClouds.push_back(0.3 + 0.7 * rng.uniform());
        return day < firstDay ? 1.0 : dayClouds[static_cast<size_t>(day - firstDay)];
    }

    // Irradiance [W/m2] at `s` seconds since 2000.
    double irradiance(int64_t s) {
        const CivilTime c = secondsToCivil(s);
        const double doy = static_cast<double>(civilToSeconds({c.year, c.month, c.day, 0, 0, 0}) -
                                               civilToSeconds({c.year, 1, 1, 0, 0, 0})) /
                           86400.0;
        const double h = c.hour + c.minute / 60.0 + c.second / 3600.0;
        const double season = std::cos(2 * kPi * (doy - 172) / 365.0); // 1 at midsummer
        const double dayLen = 12.0 + 3.5 * season;                     // [h]
        const double rise = 12.75 - dayLen / 2;
        if (h <= rise || h >= rise + dayLen) return 0;
        const double elev = std::sin(kPi * (h - rise) / dayLen);
        const double clear = 1050.0 * std::pow(elev, 1.3) * (0.8 + 0.2 * season);
        const double cd = cloudiness(s / 86400);
        const double u = rng.uniform();
        return clear * std::min(1.0, cd + (1 - cd) * u * u + 0.02 * rng.noise());
    }

    double airTemperature(int64_t s) {
        const CivilTime c = secondsToCivil(s);
        const double doy = static_cast<double>(s / 86400 % 365);
        const double h = c.hour + c.minute / 60.0;
        return 13.0 + 10.0 * std::cos(2 * kPi * (doy - 200) / 365.0) +
               5.5 * std::sin(2 * kPi * (h - 9) / 24.0) + 0.2 * rng.noise();
    }

    std::vector<int16_t> sample(NodeModel& n, int64_t s) {
        const double g = std::max(0.0, irradiance(s));
        const double tAir = airTemperature(s);
        const double tMod = tAir + 0.028 * g;
        const double hours = (n.lastSample < 0 ? 0.0 : static_cast<double>(s - n.lastSample)) / 3600.0;
        n.lastSample = s;
        std::vector<int16_t> v;
        if (n.role == Role::Weather) {
            const CivilTime c = secondsToCivil(s);
            const double h = c.hour + c.minute / 60.0;
            const double rh =
                std::clamp(68.0 - 22.0 * std::sin(2 * kPi * (h - 9) / 24.0) + 2.0 * rng.noise(), 15.0, 99.0);
            const double hpa = 1013.0 + 7.0 * std::sin(2 * kPi * static_cast<double>(s) / (86400.0 * 5.3)) +
                               0.05 * rng.noise();
            v.push_back(clamp16(g * 10));
            v.push_back(clamp16(tAir * 100));
            v.push_back(clamp16(tMod * 100));
            v.push_back(clamp16(rh * 100));
            v.push_back(s >= errFrom && s < errTo ? int16_t{-1} : unsigned16(hpa * 100 - 60000));
            return v;
        }
        const double pdc = g < 8 ? 0.0 : n.pnom * g / 1000.0 * (1 - 0.004 * (tMod - 25)) * 0.97;
        const double vdc =
            g < 8 ? 4.0 * g : 585.0 - 45.0 * g / 1000.0 - 1.6 * (tMod - 25) + 1.5 * rng.noise();
        const double idc = vdc > 50 ? pdc / vdc : 0.0;
        const double pac = pdc > 40 ? pdc * 0.965 : 0.0;
        const double vac = 230.0 + 1.8 * rng.noise();
        const double iac = pac / vac;
        n.energyWh += pac * hours;
        const uint32_t energy = static_cast<uint32_t>(n.energyWh / 100.0); // [0.1 kWh]
        const int16_t hi = static_cast<int16_t>(static_cast<uint16_t>(energy >> 16));
        const int16_t lo = static_cast<int16_t>(static_cast<uint16_t>(energy & 0xFFFF));
        if (n.role == Role::InverterA) {
            v = {clamp16(vdc * 10),    clamp16(idc * 10), clamp16(pdc), unsigned16(vac * 10),
                 unsigned16(iac * 10), clamp16(pac),      hi,           lo};
        } else {
            v = {clamp16(vdc * 10),       hi, lo, clamp16(idc * 100), clamp16(pac), unsigned16(vac * 14.142),
                 unsigned16(iac * 14.142)};
        }
        return v;
    }
};

// All records of `nodes` from marker 0 to `durationS` seconds after `start`, in marker order.
std::vector<ScenarioRecord> recordSession(Plant& plant, const std::vector<size_t>& nodes,
                                          const CivilTime& start, double durationS) {
    struct Due {
        uint32_t marker;
        size_t order; // node position, keeps simultaneous samples in table order
        size_t node;
    };
    std::vector<Due> due;
    for (size_t k = 0; k < nodes.size(); ++k) {
        const NodeModel& n = plant.nodes[nodes[k]];
        const uint32_t period = n.node.sampleTimer * 10u; // [0.1 s]
        uint32_t m = static_cast<uint32_t>(plant.rng.range(0, static_cast<int>(period) - 1));
        uint32_t prev = 0;
        while (m < durationS * 10) {
            // A node's samples drift a little around its period but never go back in time.
            const int64_t jittered = static_cast<int64_t>(m) + plant.rng.range(-15, 15);
            const uint32_t at = static_cast<uint32_t>(std::max<int64_t>({jittered, prev, 0}));
            due.push_back({at, k, nodes[k]});
            prev = at + 1;
            m += period;
        }
    }
    std::stable_sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
        return a.marker != b.marker ? a.marker < b.marker : a.order < b.order;
    });
    const int64_t t0 = civilToSeconds(start);
    std::vector<ScenarioRecord> out;
    out.reserve(due.size());
    for (const Due& d : due) {
        NodeModel& n = plant.nodes[d.node];
        out.push_back({n.node.address, d.marker, plant.sample(n, t0 + d.marker / 10)});
    }
    return out;
}

// Packs records into pages: whole records back to back; a record that does not fit starts the
// next page. Returns the index of the first record of each page (the last page may be partial).
std::vector<size_t> packPages(const std::vector<ScenarioRecord>& recs) {
    std::vector<size_t> starts;
    size_t used = kPageSize;
    for (size_t i = 0; i < recs.size(); ++i) {
        if (used + recs[i].size() > kPageSize) {
            starts.push_back(i);
            used = 0;
        }
        used += recs[i].size();
    }
    return starts;
}

void writePage(DeviceState& st, uint16_t page, const std::vector<ScenarioRecord>& recs, size_t from,
               size_t count) {
    auto p = st.page(page);
    std::fill(p.begin(), p.end(), uint8_t{0xFF});
    size_t off = 0;
    for (size_t i = from; i < from + count; ++i) {
        const std::vector<uint8_t> b = encodeRecord(recs[i]);
        std::copy(b.begin(), b.end(), p.begin() + static_cast<std::ptrdiff_t>(off));
        off += b.size();
    }
}

void writeTable(DeviceState& st, const ScenarioSession& s) {
    const std::vector<uint8_t> t = encodeTablePage(s);
    auto p = st.page(s.tablePage);
    std::copy(t.begin(), t.end(), p.begin());
}

CivilTime addSeconds(const CivilTime& t, int64_t s) {
    return secondsToCivil(civilToSeconds(t) + s);
}

struct Builder {
    Rng rng;
    Plant plant;
    Scenario& sc;
    uint8_t tag;

    Builder(uint32_t seed, Scenario& s)
        : rng(seed), plant(rng), sc(s), tag(static_cast<uint8_t>(rng.range(1, 200))) {
        std::vector<uint8_t> addrs;
        while (addrs.size() < 3) {
            const uint8_t a = static_cast<uint8_t>(rng.range(1, 254));
            if (std::find(addrs.begin(), addrs.end(), a) == addrs.end()) addrs.push_back(a);
        }
        const Role roles[3] = {Role::Weather, Role::InverterA, Role::InverterB};
        const uint16_t timers[3] = {60, 30, 30};
        const double pnoms[3] = {0, 9000, 6600};
        for (int k = 0; k < 3; ++k) {
            NodeModel n;
            n.role = roles[k];
            n.node.address = addrs[static_cast<size_t>(k)];
            n.node.sampleTimer = timers[k];
            n.node.vbat = static_cast<uint16_t>(rng.range(320, 365));
            for (uint8_t code : channelCodes(roles[k])) {
                // The bits above the quantity code carry other settings of the channel.
                n.node.conf.push_back(static_cast<uint16_t>((rng.next() & 0xFFE0u) | code));
            }
            n.pnom = pnoms[k];
            n.energyWh = rng.range(100000, 45000000) * 100.0;
            plant.nodes.push_back(n);
        }
    }

    CivilTime randomStart() {
        CivilTime t;
        t.year = rng.range(2014, 2024);
        t.month = rng.range(1, 12);
        t.day = rng.range(1, daysInMonth(t.year, t.month));
        t.hour = rng.range(0, 23);
        t.minute = rng.range(0, 59);
        t.second = rng.range(0, 59);
        return t;
    }

    ScenarioSession session(const std::vector<size_t>& nodes, const CivilTime& start) {
        ScenarioSession s;
        s.tableTag = tag++;
        s.start = start;
        for (size_t k : nodes) {
            s.nodes.push_back(plant.nodes[k].node);
            s.pnom += static_cast<int32_t>(plant.nodes[k].pnom);
        }
        if (s.pnom == 0) s.pnom = 19800;
        for (NodeModel& n : plant.nodes) n.lastSample = -1;
        // A while without a pressure reading.
        const int64_t t0 = civilToSeconds(start);
        plant.errFrom = t0 + rng.range(600, 7200);
        plant.errTo = plant.errFrom + rng.range(900, 3600);
        return s;
    }

    // Bytes the nodes write per second.
    static double byteRate(const ScenarioSession& s) {
        double r = 0;
        for (const ScenarioNode& n : s.nodes) r += (5.0 + 2.0 * n.conf.size()) / n.sampleTimer;
        return r;
    }

    // A finished session written from `table` on, every record in a page (the last partial).
    uint16_t closedSession(ScenarioSession s, uint16_t table, double durationS) {
        s.tablePage = table;
        std::vector<size_t> idx;
        for (const ScenarioNode& n : s.nodes)
            for (size_t k = 0; k < plant.nodes.size(); ++k)
                if (plant.nodes[k].node.address == n.address) idx.push_back(k);
        s.records = recordSession(plant, idx, s.start, durationS);
        const std::vector<size_t> starts = packPages(s.records);
        writeTable(sc.state, s);
        uint16_t page = table;
        for (size_t p = 0; p < starts.size(); ++p) {
            page = static_cast<uint16_t>((page + 1) & kPageMask);
            const size_t end = p + 1 < starts.size() ? starts[p + 1] : s.records.size();
            writePage(sc.state, page, s.records, starts[p], end - starts[p]);
            s.pages.push_back({page, starts[p], end - starts[p]});
        }
        sc.sessions.push_back(std::move(s));
        return page;
    }

    // The current session: `fullPages` pages written (wrapping around the ring past its own
    // table page when more than 4095), then part of the next page's records in the temporary
    // buffer. fullPages < 0: as many pages as `durationS` fills, the rest in the buffer.
    void currentSession(ScenarioSession s, uint16_t table, double durationS, long fullPages) {
        s.tablePage = table;
        std::vector<size_t> idx;
        for (const ScenarioNode& n : s.nodes)
            for (size_t k = 0; k < plant.nodes.size(); ++k)
                if (plant.nodes[k].node.address == n.address) idx.push_back(k);
        if (fullPages >= 0)
            durationS = (static_cast<double>(fullPages) + 2) * kPageSize / byteRate(s) * 1.1 + 600;
        // Record long enough to fill the wanted pages (the estimate above nearly always is);
        // a retry starts again from the same plant and dice.
        const Plant saved = plant;
        const uint64_t savedDice = rng.s;
        std::vector<ScenarioRecord> recs;
        std::vector<size_t> starts;
        for (;;) {
            recs = recordSession(plant, idx, s.start, durationS);
            starts = packPages(recs);
            if (fullPages < 0 || starts.size() > static_cast<size_t>(fullPages)) break;
            plant.nodes = saved.nodes;
            plant.dayClouds = saved.dayClouds;
            plant.firstDay = saved.firstDay;
            rng.s = savedDice;
            durationS *= 1.25;
        }
        size_t nFull, tempFrom, tempCount;
        if (fullPages < 0) {
            nFull = starts.empty() ? 0 : starts.size() - 1;
            tempFrom = starts.empty() ? 0 : starts.back();
            tempCount = recs.size() - tempFrom;
        } else {
            nFull = static_cast<size_t>(fullPages);
            tempFrom = starts[nFull];
            const size_t inPage = (nFull + 1 < starts.size() ? starts[nFull + 1] : recs.size()) - tempFrom;
            tempCount = static_cast<size_t>(rng.range(1, static_cast<int>(std::max<size_t>(1, inPage - 1))));
        }
        // Pages are written after the table page, skipping it once the ring wraps; only the
        // newest 4095 survive.
        const size_t ring = kPageCount - 1;
        const size_t kept = std::min(nFull, ring);
        const size_t firstKept = nFull - kept;
        const size_t recFrom = kept ? starts[firstKept] : tempFrom;
        for (size_t p = firstKept; p < nFull; ++p) {
            const uint16_t page = static_cast<uint16_t>((table + 1 + p % ring) & kPageMask);
            const size_t end = starts[p + 1];
            writePage(sc.state, page, recs, starts[p], end - starts[p]);
            s.pages.push_back({page, starts[p] - recFrom, end - starts[p]});
        }
        s.records.assign(recs.begin() + static_cast<std::ptrdiff_t>(recFrom),
                         recs.begin() + static_cast<std::ptrdiff_t>(tempFrom));
        sc.tempRecords.assign(recs.begin() + static_cast<std::ptrdiff_t>(tempFrom),
                              recs.begin() + static_cast<std::ptrdiff_t>(tempFrom + tempCount));
        sc.wrapped = nFull > ring;
        writeTable(sc.state, s);

        DeviceState& st = sc.state;
        st.pageTab = table;
        st.pageLast = s.lastPage();
        st.status = static_cast<uint8_t>(0x10 | (sc.wrapped ? 0x08 : 0x00));
        st.errors = 0x00;
        st.tempBuffer.clear();
        for (const ScenarioRecord& r : sc.tempRecords) {
            const std::vector<uint8_t> b = encodeRecord(r);
            st.tempBuffer.insert(st.tempBuffer.end(), b.begin(), b.end());
        }
        st.tempLength = static_cast<uint16_t>(st.tempBuffer.size());
        uint32_t lastMarker = 0;
        if (!sc.tempRecords.empty())
            lastMarker = sc.tempRecords.back().marker;
        else if (!s.records.empty())
            lastMarker = s.records.back().marker;
        st.clock.set(addSeconds(s.start, lastMarker / 10 + rng.range(2, 20)), true);
        st.read = ReadPosition{};
        st.read.page = table;
        sc.sessions.push_back(std::move(s));
    }
};

} // namespace

const std::vector<std::string>& scenarioNames() {
    static const std::vector<std::string> names = {"normal", "multi", "wrapped", "empty", "tablepage"};
    return names;
}

std::vector<uint8_t> encodeRecord(const ScenarioRecord& r) {
    std::vector<uint8_t> b;
    b.reserve(r.size());
    b.push_back(r.node);
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(r.marker >> (8 * k)));
    for (int16_t v : r.values) {
        const uint16_t u = static_cast<uint16_t>(v);
        b.push_back(static_cast<uint8_t>(u & 0xFF));
        b.push_back(static_cast<uint8_t>(u >> 8));
    }
    return b;
}

std::vector<uint8_t> encodeTablePage(const ScenarioSession& s) {
    std::vector<uint8_t> p(kPageSize, 0xFF);
    auto bcd = [](int v) { return static_cast<uint8_t>((v / 10) << 4 | (v % 10)); };
    size_t off = 16;
    for (const ScenarioNode& n : s.nodes) {
        p[off++] = n.address;
        p[off++] = static_cast<uint8_t>(n.conf.size());
        p[off++] = static_cast<uint8_t>(n.sampleTimer & 0xFF);
        p[off++] = static_cast<uint8_t>(n.sampleTimer >> 8);
        for (uint16_t c : n.conf) {
            p[off++] = static_cast<uint8_t>(c & 0xFF);
            p[off++] = static_cast<uint8_t>(c >> 8);
        }
        p[off++] = static_cast<uint8_t>(n.vbat & 0xFF);
        p[off++] = static_cast<uint8_t>(n.vbat >> 8);
    }
    p[0] = 0xFF;
    p[1] = s.tableTag;
    p[2] = static_cast<uint8_t>(off & 0xFF);
    p[3] = static_cast<uint8_t>(off >> 8);
    const uint32_t pn = static_cast<uint32_t>(s.pnom);
    for (int k = 0; k < 4; ++k) p[4 + static_cast<size_t>(k)] = static_cast<uint8_t>(pn >> (8 * k));
    p[8] = bcd(s.start.second);
    p[9] = bcd(s.start.minute);
    p[10] = bcd(s.start.hour);
    p[11] = bcd(s.start.day);
    p[12] = bcd(s.start.month);
    p[13] = bcd(s.start.year % 100);
    p[14] = p[15] = 0x00;
    return p;
}

namespace {

// "pages=N": the data page count N (1..4094) of a session that fills exactly that many pages.
bool pagesScenario(const std::string& name, long& pages) {
    static const std::string prefix = "pages=";
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() == prefix.size() ||
        name.size() > prefix.size() + 4)
        return false;
    pages = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
        pages = pages * 10 + (name[i] - '0');
    }
    return pages >= 1 && pages <= 4094;
}

} // namespace

bool scenarioNameValid(const std::string& name) {
    long pages;
    for (const std::string& s : scenarioNames())
        if (s == name) return true;
    return pagesScenario(name, pages);
}

bool buildScenario(const std::string& name, uint32_t seed, Scenario& out, std::string& err) {
    Scenario sc;
    sc.name = name;
    sc.seed = seed;
    Builder b(seed, sc);
    const uint16_t table = static_cast<uint16_t>(b.rng.range(0, static_cast<int>(kPageMask)));
    const CivilTime start = b.randomStart();
    constexpr double kDay = 86400;
    if (name == "normal") {
        b.currentSession(b.session({0, 1, 2}, start), table, 3 * kDay + b.rng.range(0, 43200), -1);
    } else if (name == "multi") {
        // Two finished sessions with fewer nodes, then the current one.
        const double d1 = kDay + b.rng.range(0, 21600), d2 = 1.5 * kDay;
        uint16_t last = b.closedSession(b.session({0, 1}, start), table, d1);
        const CivilTime s2 = addSeconds(start, static_cast<int64_t>(d1) + b.rng.range(600, 7200));
        last = b.closedSession(b.session({1, 2}, s2), static_cast<uint16_t>((last + 1) & kPageMask), d2);
        const CivilTime s3 = addSeconds(s2, static_cast<int64_t>(d2) + b.rng.range(600, 7200));
        b.currentSession(b.session({0, 1, 2}, s3), static_cast<uint16_t>((last + 1) & kPageMask), 2 * kDay,
                         -1);
    } else if (name == "wrapped") {
        b.currentSession(b.session({0, 1, 2}, start), table, 0, 4095 + b.rng.range(200, 900));
    } else if (name == "tablepage") {
        // The newest data page is two pages after the table page, so the last few pages of the
        // ring run across the table page.
        b.currentSession(b.session({0, 1, 2}, start), table, 0, 4095 + 2);
    } else if (long pages; pagesScenario(name, pages)) {
        b.currentSession(b.session({0, 1, 2}, start), table, 0, pages);
    } else if (name == "empty") {
        b.currentSession(b.session({0, 1, 2}, start), table, 0, 0);
    } else {
        err = "unknown scenario \"" + name + "\" (normal, multi, wrapped, empty, tablepage, pages=N)";
        return false;
    }
    out = std::move(sc);
    return true;
}

} // namespace sim
