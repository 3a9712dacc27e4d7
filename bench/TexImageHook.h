// The bench's own glTexImage2D, which every texture bind of the scene library reaches instead of
// libGL's: it logs the upload (UploadLog) and forwards it to the real function.
#pragma once

// Sends the recorded uploads to GL again, through the hook, with their unpack alignments.
void replayRecordedUploads();
