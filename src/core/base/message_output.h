// Message output of the suite's shared code: a printf-style text with a
// channel number (0 to 31) and a show mode. Mode 0 writes nothing, mode 2
// writes to standard error, any other mode to standard output.
#pragma once

namespace sorvi {

void message_output(int channel, int show_mode, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));

}  // namespace sorvi
