#pragma once
// The mux stage's state of one output stream: its bitstream filters and the
// timestamps it handed the muxer.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/AvHandles.h"
#include "engine/loader/Av.h"

namespace mediaconv::engine {

struct TMuxState {
  std::vector<std::string> bitstreamFilterNames;  // taken over from the settings
  std::vector<TBsfContextPtr> bitstreamFilters;   // applied in order; made at run start
  TPacketPtr packet;                              // the packet on its way out: encoded or copied
  int64_t lastDts = AV_NOPTS_VALUE;               // stream time base
  double time = 0;                                // seconds reached by the written packets

  void Release() { bitstreamFilters.clear(); }
};

}  // namespace mediaconv::engine
