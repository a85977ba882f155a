#pragma once
// Numbers written with a chosen count of decimals, as the table and the input boxes show them.
#include <string>

// `dato` with `prec` decimals: 0 → the value rounded to the nearest integer (ties to even),
// 1..4 → "%.1f".."%.4f", anything else → "Err".
void sprintf_format(std::string& buf, int prec, float dato);
std::string sprintf_format(int prec, float dato);
