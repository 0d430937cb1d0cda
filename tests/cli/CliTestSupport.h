#pragma once
// Runs mediaconv-cli with a configuration home of its own, so no test reads
// or writes the user's settings.
#include <string>

#include "support/Fixtures.h"

namespace mediaconv::cli::test {

using namespace mediaconv::test;

inline std::string Cli() { return ShellQuote(BinDir() + "/mediaconv-cli"); }

// The command line run with XDG_CONFIG_HOME (and HOME) set to configHome.
// Grouped, so that a redirection of standard output in arguments leaves
// standard error in the result.
inline TCommandResult RunCli(const std::string& arguments, const std::string& configHome) {
  return RunCommand("{ XDG_CONFIG_HOME=" + ShellQuote(configHome) + " HOME=" + ShellQuote(configHome) + " " +
                    Cli() + " " + arguments + "; }");
}

// A 2-second 320x240 clip with stereo 48 kHz sound, and the same sound alone.
inline std::string PresetClip() {
  return MediaFixture("cli_clip.mkv",
                      "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                      "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -ac 2 "
                      "-c:v mpeg4 -q:v 3 -c:a pcm_s16le");
}
inline std::string PresetTone() {
  return MediaFixture("cli_tone.wav", "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 -ac 2");
}

}  // namespace mediaconv::cli::test
