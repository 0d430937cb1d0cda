#include "engine/transcoder/PreviewWindow.h"

namespace mediaconv::engine {
namespace {

std::mutex& FactoryLock() {
  static std::mutex lock;
  return lock;
}

TPreviewWindowFactory& Factory() {
  static TPreviewWindowFactory factory;
  return factory;
}

}  // namespace

void SetPreviewWindowFactory(TPreviewWindowFactory factory) {
  std::scoped_lock lock(FactoryLock());
  Factory() = std::move(factory);
}

std::unique_ptr<IPreviewWindow> CreatePreviewWindow() {
  TPreviewWindowFactory factory;
  {
    std::scoped_lock lock(FactoryLock());
    factory = Factory();
  }
  return factory ? factory() : nullptr;
}

std::mutex& PreviewLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace mediaconv::engine
