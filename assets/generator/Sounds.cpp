#include "Sounds.h"

#include <QFile>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace assetgen {
namespace {

constexpr int kSampleRate = 22050;

struct TNote {
  double start;      // seconds
  double frequency;  // Hz
  double level;      // 0..1
  double release;    // seconds after its start when the note is damped
};

constexpr double kRing = 10.0;  // a note that is never damped

// A soft bell: the fundamental with a quiet octave and a faint inharmonic
// partial, a 6 ms attack against clicks and an exponential decay.
double Bell(double t, double frequency) {
  if (t < 0) return 0;
  const double attack = std::min(1.0, t / 0.006);
  const double twoPi = 2 * std::numbers::pi;
  const double tone = std::sin(twoPi * frequency * t) +
                      0.28 * std::sin(twoPi * 2 * frequency * t) * std::exp(-t * 9) +
                      0.08 * std::sin(twoPi * 2.76 * frequency * t) * std::exp(-t * 14);
  return attack * std::exp(-t * 5.5) * tone;
}

std::vector<int16_t> Chime(const std::vector<TNote>& notes, double seconds) {
  std::vector<double> mix(static_cast<size_t>(seconds * kSampleRate));
  for (size_t i = 0; i < mix.size(); ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    for (const auto& note : notes) {
      // A damped note fades over 60 ms instead of ringing on under the next one.
      const double sinceRelease = t - note.start - note.release;
      const double damper = sinceRelease <= 0 ? 1.0 : std::exp(-sinceRelease / 0.02);
      mix[i] += note.level * damper * Bell(t - note.start, note.frequency);
    }
  }
  // Fade the tail so the file ends in silence, then scale to -6 dBFS.
  const size_t fade = kSampleRate / 20;
  for (size_t i = 0; i < fade && i < mix.size(); ++i)
    mix[mix.size() - 1 - i] *= static_cast<double>(i) / fade;
  double peak = 1e-9;
  for (const double v : mix) peak = std::max(peak, std::abs(v));
  std::vector<int16_t> samples(mix.size());
  for (size_t i = 0; i < mix.size(); ++i)
    samples[i] = static_cast<int16_t>(std::lround(mix[i] / peak * 16384));
  return samples;
}

void PutLE(QByteArray& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void WriteWav(const QString& path, const std::vector<int16_t>& samples) {
  const uint32_t dataSize = static_cast<uint32_t>(samples.size() * 2);
  QByteArray bytes("RIFF");
  PutLE(bytes, 36 + dataSize, 4);
  bytes.append("WAVEfmt ");
  PutLE(bytes, 16, 4);
  PutLE(bytes, 1, 2);  // PCM
  PutLE(bytes, 1, 2);  // mono
  PutLE(bytes, kSampleRate, 4);
  PutLE(bytes, kSampleRate * 2, 4);
  PutLE(bytes, 2, 2);
  PutLE(bytes, 16, 2);
  bytes.append("data");
  PutLE(bytes, dataSize, 4);
  for (const int16_t sample : samples) PutLE(bytes, static_cast<uint16_t>(sample), 2);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
}

}  // namespace

void WriteSounds(const QString& soundsFolder) {
  // C6 then G6: an open fifth upwards reads as "finished".
  WriteWav(soundsFolder + "done.wav", Chime({{0.0, 1046.5, 0.8, kRing}, {0.14, 1568.0, 1.0, kRing}}, 0.75));
  // A5 then F5, the first damped as the second sounds: a gentle "not quite"
  // without the roughness of two close low notes ringing together.
  WriteWav(soundsFolder + "fail.wav", Chime({{0.0, 880.0, 1.0, 0.17}, {0.18, 698.5, 0.9, kRing}}, 0.8));
}

}  // namespace assetgen
