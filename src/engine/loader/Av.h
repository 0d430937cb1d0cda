#pragma once
// The media libraries' entry points as the engine calls them: av::name(...)
// is a pointer typed like the header's prototype of ::name and bound at run
// time by TFFLoader. Only headers of the libraries are included; none is linked.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/fifo.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "engine/loader/LibraryEntries.h"

namespace av {

#define MEDIACONV_DECLARE_ENTRY(name) inline decltype(&::name) name = nullptr;
MEDIACONV_AVUTIL_ENTRIES(MEDIACONV_DECLARE_ENTRY)
MEDIACONV_SWRESAMPLE_ENTRIES(MEDIACONV_DECLARE_ENTRY)
MEDIACONV_SWSCALE_ENTRIES(MEDIACONV_DECLARE_ENTRY)
MEDIACONV_AVCODEC_ENTRIES(MEDIACONV_DECLARE_ENTRY)
MEDIACONV_AVFORMAT_ENTRIES(MEDIACONV_DECLARE_ENTRY)
MEDIACONV_AVFILTER_ENTRIES(MEDIACONV_DECLARE_ENTRY)
#undef MEDIACONV_DECLARE_ENTRY

}  // namespace av
