// Pictures of the frame on screen. Picture.cpp reads the frame and encodes it (the desktop and the
// page alike); offerPicture hands the result to the user: PictureFile.cpp writes it to the
// desktop's pictures folder, the page offers it as a download with code of its own.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// The frame just drawn, read from the buffer being drawn (call it before the swap), as a PNG file
// in memory: the whole window, RGB, top row first. Empty when the window has no pixels or the
// encoder fails.
std::vector<unsigned char> framePng();

// The picture's file name for a picture taken at `when` (local time): robotscene-YYYYMMDD-HHMMSS.png.
std::string pictureName(std::time_t when);

// Takes and offers the picture the P key asked for, if it did; the frame driver calls this once
// the frame is drawn and before it is swapped to the screen.
void takeRequestedPicture();

// Hands a picture to the user under that name; reports success and failure itself.
void offerPicture(const std::vector<unsigned char>& png, const std::string& name);
