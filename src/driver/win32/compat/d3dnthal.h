// See ddrawint.h beside this file: winddi.h includes this header, and a
// printer driver needs nothing of it.
#pragma once
