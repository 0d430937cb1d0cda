#include "engine/tasks/FFmpeg.h"

namespace mediaconv::engine {

TFFmpeg::TFFmpeg(TCustomEncoder& owner) : TCustomFFmpeg(kMaxFiles), owner_(owner) {}

TFFmpeg::~TFFmpeg() {
  // A worker must never see its callbacks change under it: let any run end
  // first (the core's own destructor would wait only after they are gone).
  Stop(true);
  Hooks = TFrameHooks{};
  OnProgress = nullptr;
  OnEnd = nullptr;
  ReleaseDecoders();
}

void TFFmpeg::ReleaseDecoders() {
  for (auto& decoder : decoders_) decoder.reset();
}

TFFDecoder* TFFmpeg::Decoders(int index) {
  if (index < 0 || index >= kMaxFiles || index >= InputFileCount()) return nullptr;
  if (!decoders_[index]) AttachDecoder(index);
  return decoders_[index].get();
}

void TFFmpeg::AttachDecoder(int index) {
  AVFormatContext* context = InputContext(index);
  if (!context) return;
  if (!decoders_[index]) decoders_[index] = std::make_unique<TFFDecoder>();
  decoders_[index]->AttachContext(context);
}

}  // namespace mediaconv::engine
