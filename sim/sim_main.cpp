#include <cstdio>
int main() {
    std::fputs("korvane-sim: not built yet\n", stderr);
    return 1;
}
