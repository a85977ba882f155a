#pragma once
// Live channel graphs of the monitor, drawn through the plotting engine's screen window: the
// cursor mode (a cursor sweeps left to right, the previous sweep stays in light grey) and the
// data mode (the trace scrolls left). One graph at a time.

inline constexpr int kLiveChannels = 8;
inline constexpr int kLiveMaxPoints = 2000;

extern int Flag_Graph;           // 0 no graph, 1 cursor mode, 2 data mode
extern float Ymin_def, Ymax_def; // y range of the next graph
extern int Init_Graph;           // 1 while a graph is open

// Start values of the globals above.
void Init_Datalogger();
// Opens the cursor-mode (1) or data-mode (2) graph. Nothing when xpoint is outside 10..2000,
// ngra outside 1..8 or a graph is open.
void Init_Graph1(const char* caption, int xw, int yw, float kwin, float ymin, float ymax, int xpoint,
                 int ngra);
void Init_Graph2(const char* caption, int xw, int yw, float kwin, float ymin, float ymax, int xpoint,
                 int ngra);
// One sample per channel (data[0..ngra-1]).
void Plot_Graph1(const float* data);
void Plot_Graph2(const float* data);
// Between these two, samples given to Plot_Graph1/2 are only kept; the end draws them at once,
// the picture being the one the single steps leave (the monitor draws one batch per port read,
// so a burst of packets costs one redraw).
void beginGraphBatch();
void endGraphBatch();
// Handles the window's last key or mouse event; returns its code (0 none, 27 Esc).
int Gest_Curs();
void Close_Graph();

// State of the open graph, for tests and the window.
struct LiveGraphState {
    int npix;
    int npixel_x;
    int fine_1sch;
    float Xmin, Xmax, Ymin, Ymax;
    float ValoreYold;
};
LiveGraphState liveGraphState();
