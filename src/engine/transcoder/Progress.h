#pragma once
// Statistics of the run that the progress reports and the "vstats" file show.
#include <cstdint>

#include "engine/transcoder/Encode.h"

namespace mediaconv::engine {

// Of one encoded video stream.
struct TStreamStatistics {
  int quality = -1;        // of the last coded picture (lambda units)
  uint64_t error[3] = {};  // of the last coded picture, per plane (PSNR)
  uint64_t errorSum[3] = {};
  int qpHistogram[52] = {};

  // Takes the encoder's quality statistics of a coded picture.
  void Record(const AVPacket* packet);
};

// Of the run.
struct TRunStatistics {
  int64_t startTime = 0;
  int64_t lastReportTime = 0;
  int64_t videoBytes = 0, audioBytes = 0, globalHeaderBytes = 0;
  int framesDuplicated = 0, framesDropped = 0;
  bool dupDropSeen = false;
  TFilePtr vstatsFile;
};

}  // namespace mediaconv::engine
