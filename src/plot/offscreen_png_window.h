#pragma once
// Pictures for a program without a screen: while an OffscreenGraphics lives, a Qt application on
// the offscreen platform exists and the engine's "PNG" device draws exactly as it does in the
// desktop program. The header is free of Qt so command-line code can hold one.
#include <memory>

namespace plot {

class OffscreenGraphics {
  public:
    OffscreenGraphics();
    ~OffscreenGraphics();
    OffscreenGraphics(const OffscreenGraphics&) = delete;
    OffscreenGraphics& operator=(const OffscreenGraphics&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace plot
