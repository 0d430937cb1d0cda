#pragma once
#include <string>

namespace mediaconv::convert {

// Sound files, relative to the executable's folder.
inline constexpr const char* kDoneSound = "sounds/done.wav";
inline constexpr const char* kFailSound = "sounds/fail.wav";

// The sound that ends a run: none when the user did not ask for one, the
// fail sound when fewer tasks succeeded than the run had, else the done sound.
std::string CompletionSound(bool playASound, int succeededCount, int totalFiles);

// Whether the run ends with the shutdown countdown.
inline bool AsksForShutdown(bool shutDownWhenFinished) { return shutDownWhenFinished; }

// The countdown of the shutdown dialog: 30 at the start, one less per tick;
// the tick that takes it below 0 (the 31st) closes the dialog, which then
// means "shut down".
class TShutdownCountdown {
 public:
  static constexpr int kSeconds = 30;

  // Returns true when the dialog is to close with the result OK.
  bool Tick() { return --counter_ < 0; }
  int Counter() const { return counter_; }
  // "Time left: %d"
  std::string LabelText() const { return "Time left: " + std::to_string(counter_); }

 private:
  int counter_ = kSeconds;
};

}  // namespace mediaconv::convert
