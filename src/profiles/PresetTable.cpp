#include "profiles/PresetTable.h"

#include <array>

#include "engine/tasks/TaskRecords.h"

namespace mediaconv::profiles {
namespace {

// Option text for libx264, one option a line, CR LF between lines.
constexpr std::string_view kBlockA =
    "flags=+loop\r\n"
    "cmp=+chroma\r\n"
    "deblockalpha=0\r\n"
    "deblockbeta=0crf=24\r\n"
    "refs=1\r\n"
    "coder=0\r\n"
    "me_range=16\r\n"
    "subq=5\r\n"
    "partitions=+parti4x4+parti8x8+partp8x8\r\n"
    "g=250\r\n"
    "keyint_min=25\r\n"
    "level=30\r\n"
    "qmin=10\r\n"
    "qmax=51\r\n"
    "trellis=2\r\n"
    "sc_threshold=40\r\n"
    "i_qfactor=0.71\r\n";

constexpr std::string_view kBlockB =
    "flags=+loop\r\n"
    "cmp=+chroma\r\n"
    "partitions=+parti4x4+partp8x8+partb8x8\r\n"
    "me_method=umh\r\n"
    "subq=5\r\n"
    "trellis=1\r\n"
    "refs=2\r\n"
    "bf=1\r\n"
    "coder=1\r\n"
    "me_range=16\r\n"
    "g=300\r\n"
    "keyint_min=25\r\n"
    "sc_threshold=40\r\n"
    "i_qfactor=0.71\r\n"
    "bt=64k\r\n"
    "maxrate=4M\r\n"
    "bufsize=4M\r\n"
    "rc_eq='blurCplx^(1-qComp)'\r\n"
    "qcomp=0.6\r\n"
    "qmin=10\r\n"
    "qmax=51\r\n"
    "qdiff=4\r\n"
    "level=21";

// One row per preset, in the order of the format's preset list. Columns:
// video codec, frame size, frame rate, video bit/s, audio codec, channels,
// sample rate, audio bit/s, then the other fields. Some values differ from
// the captions and from the usual values beside them; they are kept as they
// are because saved settings and users' results rely on them.
// clang-format off
// AVI: video format 0
constexpr TPresetRow kAVIPresets[] = {
    {"mpeg4", "1280x720", "", 4500000, "libmp3lame", 2, 44100, 192000, {.VideoTag = "XVID", .FrameAspectRatio = "16:9"}},
    {"libx264", "1920x1080", "", 4200000, "libmp3lame", 2, 44100, 256000, {.VideoPreset = "libx264-default", .FrameAspectRatio = "16:9"}},
    {"mpeg4", "", "", 2500000, "libmp3lame", 2, 44100, 256000, {.VideoTag = "XVID"}},
    {"mpeg4", "", "", 1500000, "libmp3lame", 2, 44100, 192000, {.VideoTag = "XVID"}},
    {"mpeg4", "", "", 768000, "libmp3lame", 2, 44100, 96000, {.VideoTag = "XVID"}},
    {"mpeg4", "720x540", "", 2500000, "libmp3lame", 2, 44100, 256000, {.VideoTag = "XVID"}},
    {"mpeg4", "512x384", "", 1500000, "libmp3lame", 2, 44100, 192000, {.VideoTag = "XVID"}},
    {"mpeg4", "320x240", "", 768000, "libmp3lame", 2, 44100, 96000, {.VideoTag = "XVID"}},
    {"libx264", "", "", 1200000, "libmp3lame", 2, 44100, 192000, {.VideoPreset = "libx264-default"}},
    {"libx264", "", "", 768000, "libmp3lame", 2, 44100, 96000, {.VideoPreset = "libx264-default"}},
    {"mpeg4", "320x240", "", 460000, "libmp3lame", 2, 44100, 96000, {.VideoTag = "FMP4"}},
    {"mpeg4", "240x180", "", 324000, "libmp3lame", 2, 44100, 96000, {.VideoTag = "FMP4"}},
    {"mpeg4", "", "", 1600000, "libmp3lame", 2, 44100, 192000, {.VideoTag = "XVID"}},
    {"mpeg4", "480x272", "", 760000, "libmp3lame", 2, 44100, 128000, {.VideoTag = "XVID"}},
    {"mpeg4", "720x480", "", 1400000, "libmp3lame", 2, 44100, 192000, {.VideoTag = "XVID"}},
    {"mpeg4", "640x480", "", 1000000, "libmp3lame", 2, 44100, 192000, {.VideoTag = "XVID"}},
    {"mpeg4", "320x240", "", 600000, "libmp3lame", 2, 44100, 128000, {.VideoTag = "XVID"}},
    {"mpeg4", "720x480", "30", 1200000, "libmp3lame", 2, 44100, 705000, {.VideoTag = "XVID"}},
    {"mpeg4", "320x240", "15", 224000, "libmp3lame", 2, 44100, 96000, {.VideoTag = "XVID"}},
    {"mpeg4", "320x240", "15", 460000, "libmp3lame", 2, 44100, 96000, {.VideoTag = "XVID"}},
    {"mpeg4", "160x120", "15", 480000, "libmp3lame", 2, 44100, 128000, {.VideoTag = "XVID"}},
    {"mjpeg", "640x480", "", 4096000, "pcm_s16le", 2, 44100, 1411000},
    {"mpeg4", "640x480", "25", 1500000, "libmp3lame", 2, 44100, 128000, {.VideoTag = "XVID"}},
    {"mpeg4", "320x240", "30", 768000, "libmp3lame", 2, 44100, 96000, {.VideoTag = "XVID"}},
    {"mpeg4", "640x480", "30", 2000000, "libmp3lame", 2, 44100, 128000, {.VideoTag = "XVID"}},
    {"mpeg4", "320x240", "", 2700000, "libmp3lame", 2, 44100, 128000, {.VideoTag = "XVID"}},
    {"mpeg4", "320x240", "25", 1000000, "libmp3lame", 2, 44100, 128000, {.VideoTag = "XVID"}},
    {"mpeg4", "", "", 1200000, "libmp3lame", 2, 44100, 192000, {.VideoTag = "DIVX"}},
    {"rawvideo", "", "", kKeep, "pcm_s16le", 2, 44100, 1411000},
};

// MP4: video format 1
constexpr TPresetRow kMP4Presets[] = {
    {"libx264", "320x240", "30", 640000, "libfaac", 2, 44100, 128000, {.ExtOptions = kBlockA}},
    {"libx264", "640x480", "30", 640000, "libfaac", 2, 44100, 128000, {.ExtOptions = kBlockA}},
    {"mpeg4", "320x240", "30", 600000, "libfaac", 2, 44100, 128000},
    {"libx264", "640x420", "30", 640000, "libfaac", 2, 44100, 128000, {.ExtOptions = kBlockA}},
    {"libx264", "848x480", "30000/1001", 2600000, "libfaac", 2, 48000, 256000, {.VideoPreset = "libx264-default", .FrameAspectRatio = "16:9"}},
    {"libx264", "848x480", "30000/1001", 2600000, "libfaac", 2, 48000, 256000, {.FrameAspectRatio = "16:9", .FileFormat = "psp", .ExtOptions = kBlockB}},
    {"libx264", "848x480", "30000/1001", 2600000, "libfaac", 2, 48000, 768000, {.FrameAspectRatio = "16:9", .FileFormat = "psp", .ExtOptions = kBlockB}},
    {"libx264", "368x208", "30000/1001", 520000, "libfaac", 2, 48000, 128000, {.FrameAspectRatio = "16:9", .FileFormat = "psp", .ExtOptions = kBlockB}},
    {"libx264", "480x272", "30000/1001", 720000, "libfaac", 2, 48000, 128000, {.FrameAspectRatio = "16:9", .FileFormat = "psp", .ExtOptions = kBlockB}},
    {"mpeg4", "640x480", "", 1200000, "libfaac", 2, 24000, 96000},
    {"mpeg4", "320x240", "", 640000, "libfaac", 2, 22050, 64000},
    {"mpeg4", "720x480", "", 1200000, "libfaac", 2, 48000, 96000},
    {"mpeg4", "176x144", "15", 120000, "libfaac", 2, 44100, 96000},
    {"mpeg4", "128x96", "12", 56000, "libfaac", 2, 22050, 56000},
    {"mpeg4", "", "25", 2500000, "libfaac", 2, 48000, 256000},
    {"mpeg4", "", "25", 1200000, "libfaac", 2, 48000, 192000},
    {"mpeg4", "", "25", 700000, "libfaac", 2, 48000, 128000},
    {"mpeg4", "640x480", "24", 1500000, "libfaac", 2, 48000, 128000},
    {"mpeg4", "320x240", "30", 768000, "libfaac", 2, 48000, 96000},
};

// FLV: video format 2
constexpr TPresetRow kFLVPresets[] = {
    {"libx264", "", "", 1200000, "", 2, 44100, 160000, {.VideoPreset = "libx264-default"}},
    {"libx264", "", "20", 930000, "", 2, 44100, 160000, {.VideoPreset = "libx264-default"}},
    {"", "352x288", "15", 780000, "", 2, 22050, 64000},
    {"", "320x240", "15", 640000, "", 2, 11025, 48000},
    {"", "276x144", "15", 480000, "", 1, 11025, 24000},
};

// SWF: video format 3
constexpr TPresetRow kSWFPresets[] = {
    {"", "", "25", 1200000, "", 2, 44100, 160000},
    {"", "", "25", 920000, "", 2, 44100, 112000},
    {"", "352x288", "15", 780000, "", 2, 22050, 64000},
    {"", "320x240", "25", 640000, "", 2, 11025, 48000},
    {"", "176x144", "15", 480000, "", 1, 11025, 24000},
};

// MPEG: video format 4
constexpr TPresetRow kMPEGPresets[] = {
    {"mpeg2video", "1920x1080", "30000/1001", 15000000, "mp2", 2, 48000, 224000, {.FrameAspectRatio = "4:3", .VideoMaxRate = 15000000, .VideoMinRate = 15000000, .VideoBufSize = 6881000}},
    {"mpeg2video", "1280x720", "30000/1001", 9000000, "mp2", 2, 48000, 224000, {.FrameAspectRatio = "4:3"}},
    {"", "", "30000/1001", 4000000, "mp2", 2, 48000, 224000, {.FrameAspectRatio = "4:3", .Target = engine::kTargetDvd, .TargetNorm = engine::kTargetNormNtsc}},
    {"", "", "25", 4000000, "mp2", 2, 48000, 224000, {.FrameAspectRatio = "4:3", .Target = engine::kTargetDvd, .TargetNorm = engine::kTargetNormPal}},
    {"mpeg1video", "", "30000/1001", 4000000, "mp2", 2, 44100, 224000, {.VideoMaxRate = 4000000, .VideoMinRate = 4000000, .VideoBufSize = 1835000}},
    {"mpeg2video", "", "30000/1001", 4000000, "mp2", 2, 44100, 224000, {.VideoMaxRate = 4000000, .VideoMinRate = 4000000, .VideoBufSize = 1835000}},
    {"mpeg1video", "720x480", "30000/1001", 1150000, "mp2", 2, 44100, 128000, {.VideoMaxRate = 1150000, .VideoMinRate = 1150000, .VideoBufSize = 527000}},
    {"mpeg1video", "720x480", "30000/1001", 860000, "mp2", 2, 44100, 128000, {.VideoMaxRate = 860000, .VideoMinRate = 860000, .VideoBufSize = 394000}},
    {"mpeg1video", "320x240", "30000/1001", 780000, "mp2", 2, 44100, 112000, {.VideoMaxRate = 780000, .VideoMinRate = 780000, .VideoBufSize = 357000}},
    {"mpeg1video", "720x480", "30", 2000000, "mp2", 2, 44100, 192000, {.VideoMaxRate = 2000000, .VideoMinRate = 2000000, .VideoBufSize = 917000}},
    {"", "", "30000/1001", 2376000, "mp2", 2, 44100, 224000, {.FrameAspectRatio = "4:3", .Target = engine::kTargetSvcd, .TargetNorm = engine::kTargetNormNtsc}},
    {"", "", "25", 2376000, "mp2", 2, 44100, 224000, {.FrameAspectRatio = "4:3", .Target = engine::kTargetSvcd, .TargetNorm = engine::kTargetNormPal}},
    {"", "", "30000/1001", 1150000, "mp2", 2, 44100, 224000, {.FrameAspectRatio = "4:3", .Target = engine::kTargetVcd, .TargetNorm = engine::kTargetNormNtsc}},
    {"", "", "25", 1150000, "mp2", 2, 44100, 224000, {.FrameAspectRatio = "4:3", .Target = engine::kTargetVcd, .TargetNorm = engine::kTargetNormPal}},
};

// RM: video format 5
constexpr TPresetRow kRMPresets[] = {
    {"rv20", "", "", 1024000, "", kKeep, kKeep, kKeep},
    {"rv20", "", "", 750000, "", kKeep, kKeep, kKeep},
    {"rv20", "", "", 512000, "", kKeep, kKeep, kKeep},
    {"rv20", "", "", 256000, "", kKeep, kKeep, kKeep},
    {"rv20", "", "", 128000, "", kKeep, kKeep, kKeep},
};

// WMV: video format 6
constexpr TPresetRow kWMVPresets[] = {
    {"wmv2", "1920x1080", "30000/1001", 9000000, "wmav2", 2, 48000, 384000},
    {"wmv2", "1280x720", "30000/1001", 7000000, "wmav2", 2, 48000, 384000},
    {"wmv2", "320x240", "25", 1112000, "wmav2", 2, 44100, 192000},
    {"wmv2", "320x240", "25", 568000, "wmav2", 2, 44100, 128000},
    {"wmv2", "192x144", "20", 176000, "wmav2", 2, 32000, 48000},
    {"wmv2", "352x288", "25", 920000, "wmav2", 2, 44100, 128000},
    {"wmv2", "320x240", "25", 600000, "wmav2", 2, 44100, 128000},
    {"wmv2", "352x288", "25", 400000, "wmav2", 2, 44100, 96000},
    {"wmv2", "480x272", "25", 700000, "wmav2", 2, 44100, 192000},
    {"wmv2", "320x240", "25", 720000, "wmav2", 2, 44100, 128000},
    {"wmv2", "320x240", "25", 480000, "wmav2", 2, 44100, 128000},
    {"wmv2", "352x288", "24", 768000, "wmav2", 2, 44100, 128000},
    {"wmv2", "320x240", "30", 768000, "wmav2", 2, 48000, 128000},
    {"wmv2", "320x240", "25", 380000, "wmav2", 2, 44100, 128000},
    {"wmv2", "320x240", "25", 220000, "wmav2", 2, 44100, 96000},
    {"wmv2", "320x240", "25", 2500000, "wmav2", 2, 48000, 196000},
    {"wmv2", "320x240", "25", 720000, "wmav2", 2, 44100, 128000},
    {"wmv2", "320x240", "25", 480000, "wmav2", 2, 44100, 96000},
};

// MOV: video format 7
constexpr TPresetRow kMOVPresets[] = {
    {"libx264", "", "", 1200000, "libfaac", 2, 48000, 320000, {.VideoPreset = "libx264-default"}},
    {"libx264", "848x480", "", 1200000, "libfaac", 2, 48000, 320000, {.VideoPreset = "libx264-default"}},
    {"libx264", "720x576", "", 1200000, "libfaac", 2, 48000, 320000, {.VideoPreset = "libx264-default"}},
    {"mjpeg", "", "", 16384000, "libmp3lame", 2, 44100, 256000},
    {"h263", "352x288", "", 6144000, "libmp3lame", 2, 44100, 128000},
    {"mpeg4", "", "", 921600, "libmp3lame", 2, 44100, 192000},
    {"h263", "176x144", "", 4014080, "libmp3lame", 2, 44100, 128000},
    {"mpeg4", "", "", 614400, "libmp3lame", 2, 44100, 96000},
    {"svq1", "", "", 921600, "libmp3lame", 2, 44100, 96000},
    {"svq1", "", "", 921600, "adpcm_ima_qt", 2, 44100, 352000},
};

// 3GP: video format 8
constexpr TPresetRow k3GPPresets[] = {
    {"h263", "176x144", "12", 240000, "", 1, 8000, 12200},
    {"mpeg4", "176x144", "15", 104000, "libfaac", 1, 32000, 64000},
    {"mpeg4", "176x144", "12", 64000, "", 1, 8000, 12200},
    {"h263", "128x96", "10", 140000, "", 1, 8000, 10200},
    {"mpeg4", "128x96", "10", 44000, "", 1, 8000, 6700},
};

// iPod: device format 0
constexpr TPresetRow kiPodPresets[] = {
    {"", "640x480", "30", 2500000, "", 2, 48000, 160000},
    {"", "480x320", "30", 2500000, "", 2, 48000, 160000},
    {"", "480x320", "24", 1300000, "", 2, 44100, 128000},
    {"", "320x240", "15", 500000, "", 2, 44100, 128000},
    {"", "320x240", "30", 2500000, "", 2, 48000, 160000},
    {"", "320x240", "24", 1000000, "", 2, 44100, 128000},
    {"", "320x240", "15", 500000, "", 2, 44100, 128000},
    {"", "320x240", "30", 2500000, "", 2, 48000, 160000},
    {"", "320x240", "24", 1000000, "", 2, 44100, 128000},
    {"", "320x240", "15", 500000, "", 2, 44100, 128000},
};

// iPhone: device format 1
constexpr TPresetRow kiPhonePresets[] = {
    {"", "640x480", "30", 2500000, "", 2, 48000, 160000},
    {"", "480x320", "30", 1300000, "", 2, 44100, 128000},
    {"", "320x240", "15", 500000, "", 2, 44100, 128000},
};

// Apple TV: device format 2
constexpr TPresetRow kAppleTVPresets[] = {
    {"", "640x480", "24", 5000000, "", 2, 48000, 160000},
    {"", "720x540", "24", 2000000, "", 2, 44100, 128000},
    {"", "480x360", "24", 1000000, "", 2, 44100, 128000},
};

// PSP: device format 3
constexpr TPresetRow kPSPPresets[] = {
    {"", "480x272", "30", 1500000, "", 2, 48000, 160000},
    {"", "368x208", "24", 1000000, "", 2, 44100, 128000},
    {"", "368x208", "15", 500000, "", 2, 44100, 128000},
};

// BlackBerry: device format 4
constexpr TPresetRow kBlackBerryPresets[] = {
    {"libx264", "640x480", "30", 2500000, "libfaac", 2, 48000, 160000, {.VideoPreset = "libx264-default"}},
    {"libx264", "480x320", "30", 1300000, "libfaac", 2, 44100, 128000, {.VideoPreset = "libx264-default"}},
    {"libx264", "320x240", "15", 500000, "libfaac", 2, 44100, 128000, {.VideoPreset = "libx264-default"}},
};

// mobile phone: device format 5
constexpr TPresetRow kMobilePhonePresets[] = {
    {"mpeg4", "320x240", "15", 600000, "libfaac", 2, 48000, 192000},
    {"mpeg4", "176x144", "15", 256000, "libfaac", 2, 44100, 128000},
    {"mpeg4", "176x144", "12", 146000, "libfaac", 2, 32000, 96000},
    {"mpeg4", "128x96", "10", 119000, "libfaac", 2, 22050, 64000},
};

// iPad: device format 6
constexpr TPresetRow kiPadPresets[] = {
    {"", "640x480", "30", 2500000, "", 2, 48000, 160000},
    {"", "480x320", "30", 1300000, "", 2, 44100, 128000},
    {"", "320x240", "15", 500000, "", 2, 44100, 128000},
};

// WAV: audio format 0
constexpr TPresetRow kWAVPresets[] = {
    {.AudioCodec = "pcm_s16le", .AudioChannels = 1, .AudioSampleRate = 11025},  // 0
    {.AudioCodec = "pcm_s16le", .AudioChannels = 1, .AudioSampleRate = 22050},  // 1
    {.AudioCodec = "pcm_s24le", .AudioChannels = 2, .AudioSampleRate = 22050},  // 2
    {.AudioCodec = "pcm_s32le", .AudioChannels = 2, .AudioSampleRate = 48000},  // 3
    {.AudioCodec = "pcm_s16le", .AudioChannels = 2, .AudioSampleRate = 44000},  // 4
};

// MP3: audio format 1
constexpr TPresetRow kMP3Presets[] = {
    {.AudioChannels = 2, .AudioSampleRate = 44100, .AudioBitrate = 112000},  // 0
    {.AudioChannels = 2, .AudioSampleRate = 48000, .AudioBitrate = 128000},  // 1
    {.AudioChannels = 2, .AudioSampleRate = 48000, .AudioBitrate = 256000},  // 2
    {.AudioChannels = 2, .AudioSampleRate = 48000, .AudioBitrate = 320000},  // 3
};

// WMA: audio format 2
constexpr TPresetRow kWMAPresets[] = {
    {.AudioChannels = 2, .AudioSampleRate = 48000, .AudioBitrate = 192000},  // 0
    {.AudioChannels = 2, .AudioSampleRate = 44100, .AudioBitrate = 96000},  // 1
    {.AudioChannels = 2, .AudioSampleRate = 44100, .AudioBitrate = 128000},  // 2
    {.AudioChannels = 2, .AudioSampleRate = 44100, .AudioBitrate = 128000},  // 3
    {.AudioChannels = 2, .AudioSampleRate = 48000, .Other = {.AudioBitrateOfInput = true}},  // 4
};

// OGG: audio format 3
constexpr TPresetRow kOGGPresets[] = {
    {.AudioSampleRate = 11025, .Other = {.ExtOptions = "aq=4.97"}},  // 0
    {.AudioSampleRate = 22050, .Other = {.ExtOptions = "aq=4.97"}},  // 1
    {.AudioSampleRate = 22050, .Other = {.ExtOptions = "aq=4.97"}},  // 2
    {.AudioSampleRate = 44100, .Other = {.ExtOptions = "aq=4.97"}},  // 3
    {.AudioSampleRate = 48000, .Other = {.ExtOptions = "aq=8.05"}},  // 4
};

// AAC: audio format 4
constexpr TPresetRow kAACPresets[] = {
    {.AudioChannels = 1, .AudioSampleRate = 16000, .AudioBitrate = 96000},  // 0
    {.AudioChannels = 1, .AudioSampleRate = 22500, .AudioBitrate = 112000},  // 1
    {.AudioChannels = 2, .AudioSampleRate = 22500, .AudioBitrate = 224000},  // 2
    {.AudioChannels = 2, .AudioSampleRate = 44100, .AudioBitrate = 256000},  // 3
    {.AudioChannels = 2, .AudioSampleRate = 48000, .AudioBitrate = 256000},  // 4
};

// M4A: audio format 5
constexpr TPresetRow kM4APresets[] = {
    {.AudioChannels = 2, .AudioSampleRate = 44100, .AudioBitrate = 96000},  // 0
    {.AudioChannels = 2, .AudioSampleRate = 44800, .AudioBitrate = 256000},  // 1
};

// FLAC: audio format 6
constexpr TPresetRow kFLACPresets[] = {
    {.Other = {.ExtOptions = "compression_level=0"}},  // 0
    {.Other = {.ExtOptions = "compression_level=1"}},  // 1
    {.Other = {.ExtOptions = "compression_level=2"}},  // 2
    {.Other = {.ExtOptions = "compression_level=3"}},  // 3
    {.Other = {.ExtOptions = "compression_level=4"}},  // 4
    {.Other = {.ExtOptions = "compression_level=5"}},  // 5
    {.Other = {.ExtOptions = "compression_level=6"}},  // 6
    {.Other = {.ExtOptions = "compression_level=7"}},  // 7
    {.Other = {.ExtOptions = "compression_level=8"}},  // 8
};

// MP2: audio format 7
constexpr TPresetRow kMP2Presets[] = {
    {.AudioChannels = 1, .AudioSampleRate = 22050, .AudioBitrate = 96000},  // 0
    {.AudioChannels = 1, .AudioSampleRate = 22050, .AudioBitrate = 112000},  // 1
    {.AudioChannels = 2, .AudioSampleRate = 22050, .AudioBitrate = 128000},  // 2
};

// Fields set by every preset of a format, then the rows.
constexpr std::array<TFormatPresets, 24> kFormats = {{
    {0, 0, {}, kAVIPresets},
    {0, 1, {}, kMP4Presets},
    {0, 2, {}, kFLVPresets},
    {0, 3, {}, kSWFPresets},
    {0, 4, {}, kMPEGPresets},
    {0, 5, {}, kRMPresets},
    {0, 6, {}, kWMVPresets},
    {0, 7, {}, kMOVPresets},
    {0, 8, {}, k3GPPresets},
    {1, 0, {.VideoCodec = "libx264", .AudioCodec = "libfaac", .Other = {.ExtOptions = kBlockA}}, kiPodPresets},
    {1, 1, {.VideoCodec = "libx264", .AudioCodec = "libfaac", .Other = {.ExtOptions = kBlockA}}, kiPhonePresets},
    {1, 2, {.VideoCodec = "libx264", .AudioCodec = "libfaac", .Other = {.ExtOptions = kBlockA}}, kAppleTVPresets},
    {1, 3, {.VideoCodec = "libx264", .AudioCodec = "libfaac", .Other = {.FileFormat = "psp", .ExtOptions = kBlockB}}, kPSPPresets},
    {1, 4, {}, kBlackBerryPresets},
    {1, 5, {}, kMobilePhonePresets},
    {1, 6, {.VideoCodec = "libx264", .AudioCodec = "libfaac", .Other = {.ExtOptions = kBlockA}}, kiPadPresets},
    {2, 0, {}, kWAVPresets},
    {2, 1, {.AudioCodec = "libmp3lame"}, kMP3Presets},
    {2, 2, {.AudioCodec = "wmav2"}, kWMAPresets},
    {2, 3, {.VideoCodec = "libtheora", .AudioCodec = "libvorbis"}, kOGGPresets},
    {2, 4, {.AudioCodec = "libfaac"}, kAACPresets},
    {2, 5, {}, kM4APresets},
    {2, 6, {.AudioCodec = "flac"}, kFLACPresets},
    {2, 7, {}, kMP2Presets},
}};
// clang-format on

// Where each class begins in kFormats, and how many formats it has.
constexpr std::array<int, 3> kClassStart = {0, 9, 16};
constexpr std::array<int, 3> kClassSize = {9, 7, 8};

constexpr bool TableInOrder() {
  for (int c = 0; c < 3; ++c)
    for (int f = 0; f < kClassSize[c]; ++f) {
      const TFormatPresets& format = kFormats[kClassStart[c] + f];
      if (format.ClassId != c || format.FormatId != f) return false;
    }
  return kClassStart[2] + kClassSize[2] == static_cast<int>(kFormats.size());
}
static_assert(TableInOrder());

}  // namespace

const std::string_view kOptionBlockA = kBlockA;
const std::string_view kOptionBlockB = kBlockB;

const TFormatPresets* FindFormatPresets(int classId, int formatId) {
  if (classId < 0 || classId >= 3 || formatId < 0 || formatId >= kClassSize[classId]) return nullptr;
  return &kFormats[kClassStart[classId] + formatId];
}

const TPresetRow* FindPresetRow(int classId, int formatId, int presetIndex) {
  const TFormatPresets* format = FindFormatPresets(classId, formatId);
  if (!format || presetIndex < 0 || presetIndex >= static_cast<int>(format->Rows.size())) return nullptr;
  return &format->Rows[presetIndex];
}

}  // namespace mediaconv::profiles
