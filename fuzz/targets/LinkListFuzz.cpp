// Pasted text split into links and added to the download list, with the
// messages answered both ways.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/LinkList.h"

using namespace mediaconv::download;

namespace {

class TFuzzView : public TLinkListView {
 public:
  explicit TFuzzView(bool answer) : answer_(answer) {}
  bool ConfirmLinkMessage(const std::string&) override { return answer_; }

 private:
  bool answer_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  SplitPastedText(text);
  for (bool answer : {true, false}) {
    TFuzzView view(answer);
    TLinkList list(view);
    list.Paste(text);
    list.Paste(text);  // the second time every link is a duplicate
    const int count = static_cast<int>(list.Links().size());
    if (count > 0) list.Remove(count - 1);
    list.Remove(count);  // past the end
    list.Clear();
  }
  return 0;
}
