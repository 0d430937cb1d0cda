#pragma once
#include <mutex>

namespace mediaconv::engine {

// Serialises opening and closing codecs (avcodec_open2, avcodec_free_context
// of an opened context), from any thread, for the duration of that call only.
// Since libavcodec 58 the library itself serialises the init of codecs that
// are not init-thread-safe; the lock is kept as a guard that costs a few
// milliseconds per task. Stream analysis (avformat_find_stream_info) does not
// take it: tasks running at once analyse their inputs in parallel. Nothing
// else takes it.
std::mutex& CodecLock();

}  // namespace mediaconv::engine
