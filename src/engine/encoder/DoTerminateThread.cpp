#include "engine/encoder/DoTerminateThread.h"

#include "engine/log/FFLogger.h"

namespace mediaconv::engine {

TCustomEncoder::TDoTerminateThread::TDoTerminateThread(TCustomEncoder& owner, const TTerminateInfo& info,
                                                       bool final)
    : owner_(owner), info_(info), final_(final), thread_([this] { Execute(); }) {}

TCustomEncoder::TDoTerminateThread::~TDoTerminateThread() { Join(); }

void TCustomEncoder::TDoTerminateThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TCustomEncoder::TDoTerminateThread::Execute() {
  if (final_) owner_.WaitForDeliveries();
  // The handler is read now: one that the owner removed meanwhile is not called.
  if (const auto handler = owner_.OnTerminate.Get()) {
    try {
      (*handler)(owner_, info_);
    } catch (const std::exception& error) {
      TFFLogger::DefaultLogger().Log(&owner_, llError, std::string("OnTerminate: ") + error.what());
    } catch (...) {
      TFFLogger::DefaultLogger().Log(&owner_, llError, "OnTerminate: unknown exception");
    }
  }
  if (!final_) owner_.DeliveryReturned();
  done_.store(true);
}

}  // namespace mediaconv::engine
