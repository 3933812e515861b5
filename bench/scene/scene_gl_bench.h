// The OpenGL half of the scene benchmark: the test scene's frame rate against the full-screen
// quad's, the processor time its submission takes a frame and a draw against the device's
// cheapest draw, what switching lights costs in programs and frame times, and the shipped
// room's processor time a frame and a draw against the same cheapest draw.
#pragma once

namespace bench {

// Prints the figures; false without an OpenGL display.
bool RunGlFigures();

}  // namespace bench
