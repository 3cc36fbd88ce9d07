#pragma once
// The line settings a serial component manages and the driver's counters; the
// backend that carries them out is platform/serial_line.h.
#include "platform/line_settings.h"
