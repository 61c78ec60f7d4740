#include "support/pump.h"

namespace velkor {

unsigned WaitPumpingStep(unsigned duration_ms, unsigned step_ms) {
  if (step_ms != 0) return step_ms;
  unsigned step = duration_ms / 10;
  if (step < 1) step = 1;
  if (step > 25) step = 25;
  return step;
}

CenteredPos CenterInArea(int area_left, int area_top, int area_width, int area_height, int width,
                         int height) {
  // C++ division truncates toward zero, which is what the placement wants for negative slack.
  return {area_left + (area_width - width) / 2, area_top + (area_height - height) / 2};
}

}  // namespace velkor
