#pragma once
// The session's assignment table: nodes, physical and logical channels, quantity codes.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

inline constexpr int kMaxNodes = 30;        // node table indices 1..30
inline constexpr int kMaxLogicCh = 64;      // logical channels per node
inline constexpr size_t kTabAssSize = 528;

// One node of the table.
struct datitab {
    uint8_t nodead = 0;          // node address
    uint8_t chanu = 0;           // physical channels per record
    uint16_t satmr = 0;          // sample timer [s]
    uint16_t confOffset = 0;     // offset of the configuration words in TabAss
    uint16_t vbat = 0;           // battery [0.01 V]
    int64_t sdati[kMaxLogicCh] = {}; // per logical channel: sum of one averaging window
    uint32_t n = 0;              // records summed in the window (wide: a window may hold many)
    uint32_t nch[kMaxLogicCh] = {}; // per logical channel: samples in the sum (a pressure
                                    // channel leaves out its "no reading" samples)
    uint8_t chanu_logic = 0;     // logical channels
    uint8_t ch_fisico[kMaxLogicCh] = {}; // bits 0-6 physical index; bit 7: 32-bit (high half at index-1)

    // Configuration word of physical channel i (bits 0-4: quantity code).
    int16_t conf(int i) const;
    // Quantity code of logical channel j.
    int quantity(int j) const;
};

extern datitab InfoFE[kMaxNodes + 1];
extern uint8_t TotalNodeNum;
extern int TotalLogicCh;
extern uint8_t TabAss[kTabAssSize];
extern int Pnom;

extern const char* const Lista_Grandezze[32];
extern const char* const Unita_di_misura[32];
extern const float Default_value[32];

// Reads the current session's table page from the logger and decodes it.
int initTabAss();
// Decodes a table page already in TabAss (from the logger or a flash image): Pnom, InfoFE,
// TotalNodeNum, TotalLogicCh. Tables describing more than 30 nodes or 64 logical channels in a
// node, or entries running past the page, are rejected (0).
int decodeTabAss();
int getCHlogic(int* pnodeNum, int32_t* vx_logic, const int16_t* vx, uint8_t chaNu, uint8_t nodeAd);
// Text of raw value x of quantity code typegra (at most 12 characters); returns the scaled value.
float adj_value(std::string& strz, int typegra, int32_t x);
void adj_value2(std::string& strz, int typegra, double x);

// Node index (1..TotalNodeNum) of a node address; 0 when the table has no such node.
int nodeIndex(uint8_t address);

// One channel record found in a page.
struct RecordRef {
    size_t offset;   // [bytes] from the start of the page
    int node;        // node index 1..TotalNodeNum
    uint32_t marker; // [0.1 s] since the session start
    size_t length;   // [bytes] 5 + 2 * chanu
};
// Walks the whole records of a page from offset 0, calling `fn` for each; stops at a byte that
// is no node address of the table or at a record that would end beyond the page.
size_t walkRecords(std::span<const uint8_t> page, const std::function<void(const RecordRef&)>& fn);
