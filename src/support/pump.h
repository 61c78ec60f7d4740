#pragma once
// The arithmetic of the waiting and window-placement routines, apart from the calls to Windows.

namespace velkor {

// Step of a pumping wait when the caller passes 0: a tenth of the duration, kept within 1..25 ms.
unsigned WaitPumpingStep(unsigned duration_ms, unsigned step_ms);

struct CenteredPos {
  int left = 0;
  int top = 0;
  bool operator==(const CenteredPos&) const = default;
};

// Top-left corner that centres a width x height box in the area; halves truncate toward zero, so
// a box larger than the area starts before the area's left (or top) edge.
CenteredPos CenterInArea(int area_left, int area_top, int area_width, int area_height, int width,
                         int height);

}  // namespace velkor
