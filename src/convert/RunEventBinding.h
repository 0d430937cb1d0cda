#pragma once
#include <functional>

#include "convert/ConversionRun.h"
#include "engine/tasks/FFEncoder.h"

namespace mediaconv::convert {

// Hands an encoder's progress and terminate events to one lane of a run for
// the life of the object. The handlers hold the run's link, not the run: an
// event that comes after the run is gone does nothing.
class TRunEventBinding {
 public:
  // Sees each progress report after the run has taken it.
  using TProgressObserver = std::function<void(const engine::TProgressInfo&)>;

  TRunEventBinding(engine::TFFEncoder& encoder, const TConversionRun& run, int lane = 0,
                   TProgressObserver observer = {})
      : encoder_(encoder) {
    encoder_.OnProgress = [handler = run.ProgressHandler(lane), observer = std::move(observer)](
                              engine::TCustomEncoder&, engine::TProgressInfo* info) {
      handler(*info);
      if (observer) observer(*info);
    };
    encoder_.OnTerminate = [handler = run.TerminateHandler(lane)](engine::TCustomEncoder&,
                                                                  const engine::TTerminateInfo& info) {
      handler(info);
    };
  }
  ~TRunEventBinding() {
    encoder_.OnProgress = nullptr;
    encoder_.OnTerminate = nullptr;
  }
  TRunEventBinding(const TRunEventBinding&) = delete;
  TRunEventBinding& operator=(const TRunEventBinding&) = delete;

 private:
  engine::TFFEncoder& encoder_;
};

}  // namespace mediaconv::convert
