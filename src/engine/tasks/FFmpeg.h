#pragma once
#include <array>
#include <memory>

#include "engine/prober/FFDecoder.h"
#include "engine/tasks/TaskRecords.h"
#include "engine/transcoder/CustomFFmpeg.h"

namespace mediaconv::engine {

class TCustomEncoder;

// One task of the encoder: a transcoder with, per input, a prober attached to
// the opened input and the options it was added with, and per output the
// options it was set with.
class TFFmpeg : public TCustomFFmpeg {
 public:
  static constexpr int kMaxFiles = 20;

  explicit TFFmpeg(TCustomEncoder& owner);
  ~TFFmpeg() override;

  TCustomEncoder& Owner() const { return owner_; }

  // The prober of an opened input (created on first use), or null for an
  // index without an opened input.
  TFFDecoder* Decoders(int index);
  const TInputOptions& InputOptions(int index) const { return inputOptions_.at(index); }
  const TOutputOptions& OutputOptions(int index) const { return outputOptions_.at(index); }

  // Used by the encoder while it adds inputs and outputs.
  void StoreInputOptions(int index, const TInputOptions& options) { inputOptions_.at(index) = options; }
  void StoreOutputOptions(int index, const TOutputOptions& options) { outputOptions_.at(index) = options; }
  // Attaches the slot's prober to the opened input.
  void AttachDecoder(int index);
  // The run closes its inputs when it ends: the probers go with them.
  void ReleaseDecoders();

 private:
  TCustomEncoder& owner_;
  std::array<std::unique_ptr<TFFDecoder>, kMaxFiles> decoders_;
  std::array<TInputOptions, kMaxFiles> inputOptions_;
  std::array<TOutputOptions, kMaxFiles> outputOptions_;
};

}  // namespace mediaconv::engine
