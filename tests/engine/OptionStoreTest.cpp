#include "engine/transcoder/OptionStore.h"

#include <gtest/gtest.h>

#include "OptionsTestSupport.h"
#include "engine/common/AvHandles.h"
#include "engine/transcoder/LegacyOptions.h"
#include "engine/transcoder/OptionText.h"

using namespace mediaconv::engine;
using mediaconv::test::TLogCapture;
using mediaconv::test::TTestTranscoder;

namespace {

TCodecContextPtr PictureEncoder(const char* name) {
  const AVCodec* codec = av::avcodec_find_encoder_by_name(name);
  if (!codec) return nullptr;
  TCodecContextPtr context(av::avcodec_alloc_context3(codec));
  context->width = 64;
  context->height = 64;
  context->pix_fmt = AV_PIX_FMT_YUV420P;
  context->time_base = AVRational{1, 25};
  context->framerate = AVRational{25, 1};
  return context;
}

std::string Get(void* object, const char* name) {
  uint8_t* text = nullptr;
  if (av::av_opt_get(object, name, 0, &text) < 0) return "(none)";
  std::string result(reinterpret_cast<char*>(text));
  av::av_free(text);
  return result;
}

std::vector<std::pair<std::string, std::string>> Stored(const TOptionStore& store) {
  std::vector<std::pair<std::string, std::string>> result;
  for (const TStoredOption& option : store.StoredOptions()) result.emplace_back(option.name, option.value);
  return result;
}

class OptionStore : public ::testing::Test {
 protected:
  TOptionStore store;
};

using TPairs = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST_F(OptionStore, TemplateOptionsAreRecordedByTheirOwnNameAndCopiedUnderTheMask) {
  EXPECT_TRUE(store.ApplyGenericOption(" g ", "18"));
  EXPECT_TRUE(store.ApplyGenericOption("vb", "300000"));  // the video template's "b" by the prefix rule
  EXPECT_TRUE(store.ApplyGenericOption("ab", "96000"));
  EXPECT_EQ(Stored(store), (TPairs{{"g", ""}, {"b", ""}, {"ab", ""}}));

  auto video = PictureEncoder("mpeg4");
  store.ApplyStoredOptions(video.get(), kOptionMaskVideoEncoding);
  EXPECT_EQ(video->gop_size, 18);
  EXPECT_EQ(video->bit_rate, 300000);

  TCodecContextPtr audio(av::avcodec_alloc_context3(av::avcodec_find_encoder_by_name("mp2")));
  const int audioGop = audio->gop_size;
  store.ApplyStoredOptions(audio.get(), kOptionMaskAudioEncoding);
  EXPECT_EQ(audio->bit_rate, 96000);
  EXPECT_EQ(audio->gop_size, audioGop);  // a video option stays off audio contexts
}

// A bit rate reaches an encoder only when it was set for that encoder's kind;
// otherwise the encoder keeps its own default (aac and lame choose a rate
// themselves when it is 0).
TEST_F(OptionStore, BitratesReachOnlyTheKindTheyWereSetFor) {
  struct TCase {
    const char* name;
    TPairs options;
    int64_t video;  // -1: the encoder's own default
    int64_t audio;
  };
  const TCase cases[] = {
      {"video rate by prefix", {{"vb", "1000k"}}, 1000000, -1},
      {"plain b is the video rate", {{"b", "1000k"}}, 1000000, -1},
      {"audio rate alone", {{"ab", "96k"}}, -1, 96000},
      {"both, video first", {{"vb", "1000k"}, {"ab", "96k"}}, 1000000, 96000},
      {"both, audio first", {{"ab", "96k"}, {"b", "1000k"}}, 1000000, 96000},
      {"the later audio rate wins", {{"ab", "96k"}, {"vb", "1000k"}, {"ab", "64k"}}, 1000000, 64000},
  };
  for (const TCase& c : cases) {
    TOptionStore fresh;
    for (const auto& [name, value] : c.options) ASSERT_TRUE(fresh.ApplyGenericOption(name, value)) << c.name;

    auto video = PictureEncoder("mpeg4");
    const int64_t videoDefault = video->bit_rate;
    fresh.ApplyStoredOptions(video.get(), kOptionMaskVideoEncoding);
    EXPECT_EQ(video->bit_rate, c.video < 0 ? videoDefault : c.video) << c.name;

    for (const char* codecName : {"aac", "libmp3lame", "mp2"}) {
      const AVCodec* codec = av::avcodec_find_encoder_by_name(codecName);
      if (!codec) continue;
      TCodecContextPtr audio(av::avcodec_alloc_context3(codec));
      const int64_t audioDefault = audio->bit_rate;
      fresh.ApplyStoredOptions(audio.get(), kOptionMaskAudioEncoding);
      EXPECT_EQ(audio->bit_rate, c.audio < 0 ? audioDefault : c.audio) << c.name << " " << codecName;
    }
  }
}

// Without "ab" the AAC encoder opens at the rate it picks itself (69 kb/s for
// mono), not at a default of the audio template.
TEST_F(OptionStore, AacKeepsItsOwnRateBesideAVideoRate) {
  const auto openedRate = [](const TOptionStore* store) {
    TCodecContextPtr aac(av::avcodec_alloc_context3(av::avcodec_find_encoder_by_name("aac")));
    aac->sample_rate = 44100;
    aac->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av::av_channel_layout_default(&aac->ch_layout, 1);
    aac->time_base = AVRational{1, 44100};
    if (store) store->ApplyStoredOptions(aac.get(), kOptionMaskAudioEncoding);
    EXPECT_EQ(av::avcodec_open2(aac.get(), nullptr, nullptr), 0);
    return aac->bit_rate;
  };
  ASSERT_TRUE(store.ApplyGenericOption("vb", "1000k"));
  const int64_t own = openedRate(nullptr);
  EXPECT_EQ(own, 69000);
  EXPECT_EQ(openedRate(&store), own);
}

// An option the libraries give to several kinds still reaches each of them.
TEST_F(OptionStore, AnOptionOfSeveralKindsReachesEach) {
  ASSERT_TRUE(store.ApplyGenericOption("flags", "+bitexact"));
  auto video = PictureEncoder("mpeg4");
  store.ApplyStoredOptions(video.get(), kOptionMaskVideoEncoding);
  EXPECT_TRUE(video->flags & AV_CODEC_FLAG_BITEXACT);
  TCodecContextPtr audio(av::avcodec_alloc_context3(av::avcodec_find_encoder_by_name("mp2")));
  store.ApplyStoredOptions(audio.get(), kOptionMaskAudioEncoding);
  EXPECT_TRUE(audio->flags & AV_CODEC_FLAG_BITEXACT);
}

TEST_F(OptionStore, AnOptionSetTwiceIsRecordedTwiceAndTheLaterWins) {
  store.ApplyGenericOption("g", "10");
  store.ApplyGenericOption("g", "20");
  EXPECT_EQ(Stored(store), (TPairs{{"g", ""}, {"g", ""}}));
  auto video = PictureEncoder("mpeg4");
  store.ApplyStoredOptions(video.get(), kOptionMaskVideoEncoding);
  EXPECT_EQ(video->gop_size, 20);
}

TEST_F(OptionStore, DecodingOptionsReachDecodersOnly) {
  ASSERT_TRUE(store.ApplyGenericOption("skip_frame", "nokey"));
  TCodecContextPtr decoder(av::avcodec_alloc_context3(av::avcodec_find_decoder(AV_CODEC_ID_H264)));
  store.ApplyStoredOptions(decoder.get(), kOptionMaskVideoDecoding);
  EXPECT_EQ(decoder->skip_frame, AVDISCARD_NONKEY);
  auto encoder = PictureEncoder("mpeg4");
  store.ApplyStoredOptions(encoder.get(), kOptionMaskVideoEncoding);
  EXPECT_EQ(encoder->skip_frame, AVDISCARD_DEFAULT);
}

TEST_F(OptionStore, FormatScalerAndMuxerOptions) {
  EXPECT_TRUE(store.ApplyGenericOption("packetsize", "2324"));
  EXPECT_TRUE(store.ApplyGenericOption("muxrate", "1411200"));  // a private option of the MPEG muxers
  EXPECT_TRUE(store.ApplyGenericOption("sws_flags", "bilinear"));
  EXPECT_EQ(store.ScalerFlags(), SWS_BILINEAR);

  AVFormatContext* raw = nullptr;
  ASSERT_GE(av::avformat_alloc_output_context2(&raw, nullptr, "vcd", nullptr), 0);
  std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> output(
      raw, [](AVFormatContext* c) { av::avformat_free_context(c); });
  store.ApplyStoredOptions(output.get(), kOptionMaskEncoding);
  EXPECT_EQ(output->packet_size, 2324u);
  EXPECT_EQ(Get(output->priv_data, "muxrate"), "1411200");
}

TEST_F(OptionStore, CodecPrivateOptionsKeepTheirValue) {
  ASSERT_TRUE(store.ApplyGenericOption("crf", "23"));
  EXPECT_EQ(Stored(store), (TPairs{{"crf", "23"}}));
  auto x264 = PictureEncoder("libx264");
  ASSERT_TRUE(x264);
  store.ApplyStoredOptions(x264.get(), kOptionMaskVideoEncoding);
  EXPECT_EQ(Get(x264->priv_data, "crf"), "23.000000");
  auto mpeg4 = PictureEncoder("mpeg4");
  EXPECT_NO_FATAL_FAILURE(store.ApplyStoredOptions(mpeg4.get(), kOptionMaskVideoEncoding));
}

TEST_F(OptionStore, UnknownNamesAndBadValuesAreRefused) {
  TLogCapture log;
  EXPECT_FALSE(store.ApplyGenericOption("nosuchoption", "1"));
  EXPECT_FALSE(store.ApplyGenericOption("  ", "1"));
  EXPECT_FALSE(store.ApplyGenericOption("", "1"));
  EXPECT_FALSE(store.ApplyGenericOption("g", "abc"));
  EXPECT_TRUE(store.StoredOptions().empty());
  EXPECT_EQ(log.Count(llError, "Invalid value \"abc\" for option \"g\""), 1);
}

TEST_F(OptionStore, DebugOptionRaisesTheLogLevel) {
  TLogCapture log;  // restores the level afterwards
  TFFLogger::DefaultLogger().SetLogLevel(llInfo);
  ASSERT_TRUE(store.ApplyGenericOption("debug", "pict"));
  EXPECT_EQ(TFFLogger::DefaultLogger().LogLevel(), llDebug);
}

TEST_F(OptionStore, LegacyOptionsAreTranslated) {
  struct TCase {
    const char* name;
    const char* value;
    TPairs stored;
  };
  const TCase cases[] = {
      {"flags2",
       "+mixed_refs+wpred+dct8x8+fastpskip",
       {{"mixed-refs", "1"}, {"weightb", "1"}, {"8x8dct", "1"}, {"fast-pskip", "1"}}},
      {"flags2", "+bpyramid-mbtree", {{"b-pyramid", "normal"}, {"mbtree", "0"}}},
      {"flags2", "-bpyramid", {{"b-pyramid", "none"}}},
      {"flags2", "+fast+dct8x8", {{"flags2", ""}, {"8x8dct", "1"}}},
      {"flags", "+loop+scan_offset", {{"flags", ""}, {"scan_offset", "1"}}},
      {"flags", "+qprd", {{"mpv_flags", "+qp_rd"}}},
      {"directpred", "3", {{"direct-pred", "3"}}},
      {"cqp", "0", {{"qp", "0"}}},
      {"deblockalpha", "-1", {{"deblock", "-1:0"}}},
      {"partitions", "+parti8x8-partp8x8+partb8x8", {{"partitions", "i8x8,b8x8"}}},
      {"partitions", "-parti4x4-partp4x4", {{"partitions", "none"}}},
      {"partitions", "p8x8,i4x4", {{"partitions", "p8x8,i4x4"}}},
      {"flags2", "+brdo", {}},
  };
  for (const TCase& c : cases) {
    TOptionStore fresh;
    EXPECT_TRUE(fresh.ApplyGenericOption(c.name, c.value)) << c.name << "=" << c.value;
    EXPECT_EQ(Stored(fresh), c.stored) << c.name << "=" << c.value;
  }
}

TEST_F(OptionStore, TranslatedOptionsReachTheEncoders) {
  TLogCapture log;
  ASSERT_TRUE(store.ApplyGenericOption("flags2", "+mixed_refs-wpred+dct8x8-fastpskip+bpyramid"));
  ASSERT_TRUE(store.ApplyGenericOption("deblockalpha", "1"));
  ASSERT_TRUE(store.ApplyGenericOption("deblockbeta", "-2"));
  ASSERT_TRUE(store.ApplyGenericOption("flags", "+scan_offset"));
  auto x264 = PictureEncoder("libx264");
  store.ApplyStoredOptions(x264.get(), kOptionMaskVideoEncoding);
  ASSERT_EQ(av::avcodec_open2(x264.get(), nullptr, nullptr), 0);
  EXPECT_EQ(Get(x264->priv_data, "mixed-refs"), "true");
  EXPECT_EQ(Get(x264->priv_data, "weightb"), "false");
  EXPECT_EQ(Get(x264->priv_data, "8x8dct"), "true");
  EXPECT_EQ(Get(x264->priv_data, "fast-pskip"), "false");
  EXPECT_EQ(Get(x264->priv_data, "b-pyramid"), "2");
  EXPECT_EQ(Get(x264->priv_data, "deblock"), "1:-2");

  auto mpeg2 = PictureEncoder("mpeg2video");
  store.ApplyStoredOptions(mpeg2.get(), kOptionMaskVideoEncoding);
  ASSERT_EQ(av::avcodec_open2(mpeg2.get(), nullptr, nullptr), 0);
  EXPECT_EQ(Get(mpeg2->priv_data, "scan_offset"), "true");

  // Each translation is reported once, however often it acts.
  EXPECT_EQ(log.Count(llWarning,
                      "Legacy option \"flags2=+mixed_refs-wpred+dct8x8-fastpskip+bpyramid\" applied as "
                      "\"mixed-refs=1\""),
            1);
  store.ApplyGenericOption("flags2", "+mixed_refs-wpred+dct8x8-fastpskip+bpyramid");
  EXPECT_EQ(log.Count(llWarning, "applied as \"mixed-refs=1\""), 1);
}

TEST_F(OptionStore, OptionsWithoutEquivalentAreLoggedOnceAndIgnored) {
  TLogCapture log;
  EXPECT_TRUE(store.ApplyGenericOption("flags2", "+brdo"));
  EXPECT_TRUE(store.ApplyGenericOption("flags2", "+brdo"));
  EXPECT_TRUE(store.ApplyGenericOption("mbqp", "1"));
  EXPECT_TRUE(store.StoredOptions().empty());
  EXPECT_EQ(log.Count(llWarning, "Option \"flags2=+brdo\" has no equivalent"), 1);
  EXPECT_EQ(log.Count(llWarning, "Option \"mbqp=1\" has no equivalent"), 1);
}

TEST_F(OptionStore, EveryLegacyRowNamesAnOptionOfTheLoadedLibraries) {
  // A row whose current name no library knows would silently do nothing.
  for (const TLegacyFlag& row : LegacyFlags()) {
    if (!row.newName) continue;
    TOptionStore fresh;
    EXPECT_TRUE(fresh.ApplyGenericOption(row.option, std::string("+") + row.flag)) << row.flag;
    EXPECT_FALSE(fresh.StoredOptions().empty()) << row.flag;
  }
  for (const TLegacyName& row : LegacyNames()) {
    if (!row.newName || std::string(row.newName) == "deblock") continue;
    TOptionStore fresh;
    EXPECT_TRUE(fresh.ApplyGenericOption(row.name, "1")) << row.name;
    EXPECT_FALSE(fresh.StoredOptions().empty()) << row.name;
  }
}

namespace {

// The two H.264 option blocks of the option builder, as written there.
const char kBlockA[] =
    "flags=+loop\r\ncmp=+chroma\r\ndeblockalpha=0\r\ndeblockbeta=0crf=24\r\nrefs=1\r\ncoder=0\r\nme_range="
    "16\r\n"
    "subq=5\r\npartitions=+parti4x4+parti8x8+partp8x8\r\ng=250\r\nkeyint_min=25\r\nlevel=30\r\nqmin=10\r\n"
    "qmax=51\r\ntrellis=2\r\nsc_threshold=40\r\ni_qfactor=0.71\r\n";
const char kBlockB[] =
    "flags=+loop\r\ncmp=+chroma\r\npartitions=+parti4x4+partp8x8+partb8x8\r\nme_method=umh\r\nsubq=5\r\n"
    "trellis=1\r\nrefs=2\r\nbf=1\r\ncoder=1\r\nme_range=16\r\ng=300\r\nkeyint_min=25\r\nsc_threshold=40\r\n"
    "i_qfactor=0.71\r\nbt=64k\r\nmaxrate=4M\r\nbufsize=4M\r\nrc_eq='blurCplx^(1-qComp)'\r\nqcomp=0.6\r\n"
    "qmin=10\r\nqmax=51\r\nqdiff=4\r\nlevel=21";

}  // namespace

TEST_F(OptionStore, EveryLineOfTheBuilderBlocksIsAccepted) {
  TLogCapture log;
  for (const char* block : {kBlockA, kBlockB}) {
    TOptionStore fresh;
    for (const TOptionLine& line : SplitOptionText(block)) {
      const bool rejected = line.name == "deblockbeta";  // its value "0crf=24" is no number
      EXPECT_EQ(fresh.ApplyGenericOption(line.name, line.value), !rejected) << line.name << "=" << line.value;
    }
  }
  EXPECT_EQ(log.Count(llError, "Invalid value \"0crf=24\" for option \"deblockbeta\""), 1);
}

TEST_F(OptionStore, BuilderBlocksOpenTheEncoder) {
  struct TCase {
    const char* block;
    int refs, gop, maxBFrames;
    const char* partitions;
    const char* coder;
  };
  const TCase cases[] = {{kBlockA, 1, 250, -1, "i4x4,i8x8,p8x8", "0"},
                         {kBlockB, 2, 300, 1, "i4x4,p8x8,b8x8", "1"}};
  for (const TCase& c : cases) {
    TTestTranscoder core;
    core.ApplyOutputOptionText("out.mp4", false, c.block, {});
    auto x264 = PictureEncoder("libx264");
    core.OptionStore().ApplyStoredOptions(x264.get(), kOptionMaskVideoEncoding);
    ASSERT_EQ(av::avcodec_open2(x264.get(), nullptr, nullptr), 0);
    EXPECT_EQ(x264->refs, c.refs);
    EXPECT_EQ(x264->gop_size, c.gop);
    if (c.maxBFrames >= 0) {
      EXPECT_EQ(x264->max_b_frames, c.maxBFrames);
    }
    EXPECT_EQ(x264->flags & AV_CODEC_FLAG_LOOP_FILTER, AV_CODEC_FLAG_LOOP_FILTER);
    EXPECT_EQ(x264->me_cmp & FF_CMP_CHROMA, FF_CMP_CHROMA);
    EXPECT_EQ(Get(x264->priv_data, "partitions"), c.partitions);
    EXPECT_EQ(Get(x264->priv_data, "coder"), c.coder);
    EXPECT_EQ(Get(x264->priv_data, "sc_threshold"), "40");
  }
}

TEST_F(OptionStore, ClearForgetsEverything) {
  store.ApplyGenericOption("g", "10");
  store.ApplyGenericOption("sws_flags", "bilinear");
  store.Clear();
  EXPECT_TRUE(store.StoredOptions().empty());
  EXPECT_EQ(store.ScalerFlags(), SWS_BICUBIC);
}
