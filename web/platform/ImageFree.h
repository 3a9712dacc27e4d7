// Forced into the image decoder's unit in the browser build (see web/web.mk): the decoder
// releases its buffers through webImageFree (web/gl/FixedFunction.cpp), which drops the page's
// copy of an uploaded image before the memory can be reused for another.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif
void webImageFree(void* pixels);
#ifdef __cplusplus
}
#endif
