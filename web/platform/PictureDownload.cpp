// The picture of a frame (P) in the browser: the PNG bytes are handed to the page, which offers
// them as a download under the given name (web/js/page.js). The desktop writes the same bytes to
// its pictures folder instead (src/app/PictureFile.cpp, left out of the web build).
#include "app/Picture.h"

#include "gl/Bridge.h"

void offerPicture(const std::vector<unsigned char>& png, const std::string& name)
{
    robotscene_offer_download(png.data(), static_cast<int>(png.size()), name.c_str());
}
