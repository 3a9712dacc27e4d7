// Half a turn in radians: the one value of pi of the program, its page's GL layer, the tests'
// recording GL and the asset generator. Nothing else lives here.
#pragma once

constexpr double pi = 3.141592653589793;
