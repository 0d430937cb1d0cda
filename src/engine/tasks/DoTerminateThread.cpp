#include "engine/tasks/DoTerminateThread.h"

#include "engine/log/FFLogger.h"

namespace mediaconv::engine {

TCustomEncoder::TDoTerminateThread::TDoTerminateThread(TCustomEncoder& owner, const TTerminateInfo& info,
                                                       bool final)
    : state_(std::make_shared<TState>(info)),
      thread_([&owner, final, state = state_] { Execute(owner, final, state); }) {}

TCustomEncoder::TDoTerminateThread::~TDoTerminateThread() {
  if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
    // Destroyed by its own handler: nothing can join it, so it finishes alone.
    state_->Abandoned = true;
    thread_.detach();
    return;
  }
  Join();
}

void TCustomEncoder::TDoTerminateThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TCustomEncoder::TDoTerminateThread::Execute(TCustomEncoder& owner, bool final,
                                                 const std::shared_ptr<TState>& state) {
  if (final) owner.WaitForDeliveries();
  // The handler is read now: one that the owner removed meanwhile is not called.
  if (const auto handler = owner.OnTerminate.Get()) {
    try {
      (*handler)(owner, state->Info);
    } catch (const std::exception& error) {
      TFFLogger::DefaultLogger().Log(&owner, llError, std::string("OnTerminate: ") + error.what());
    } catch (...) {
      TFFLogger::DefaultLogger().Log(&owner, llError, "OnTerminate: unknown exception");
    }
  }
  if (state->Abandoned) return;  // the owner is gone
  if (!final) owner.DeliveryReturned();
  state->Done.store(true);
  owner.NotifyWaiters();
}

}  // namespace mediaconv::engine
