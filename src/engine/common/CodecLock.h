#pragma once
#include <mutex>

namespace mediaconv::engine {

// Serialises opening and closing codecs (avcodec_open2, avcodec_free_context
// of an opened context) and an input's stream analysis
// (avformat_find_stream_info), from any thread, for the duration of that call
// only. Nothing else takes it.
std::mutex& CodecLock();

}  // namespace mediaconv::engine
