#include "download/PageParser.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>
#include <stdexcept>

#include "download/VideoService.h"

namespace mediaconv::download {
namespace {

constexpr std::string_view kTitleOpening = "<meta name=\"title\" content=\"";
constexpr std::string_view kTitlePattern = "<meta name=\"title\" content=\"([^<]+)\">";
constexpr std::string_view kTitleClosing = "\">";
constexpr std::string_view kVideoIdPattern = "video_id=(.*?)&";
constexpr std::string_view kTokenPattern = "&t=(.*?)&";

struct TCodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct TMatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using TCode = std::unique_ptr<pcre2_code, TCodeFree>;
using TMatchData = std::unique_ptr<pcre2_match_data, TMatchDataFree>;

// One compiled expression; compiled once, matched from any thread.
class TExpression {
 public:
  explicit TExpression(std::string_view pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), 0, &error,
                              &offset, nullptr));
    if (!code_) throw std::logic_error("bad page expression: " + std::string(pattern));
  }

  // The whole first match, empty when there is none. Pages are matched as
  // bytes: no UTF check, so a page with broken UTF-8 still parses.
  std::string FirstMatch(std::string_view subject) const {
    TMatchData data(pcre2_match_data_create_from_pattern(code_.get(), nullptr));
    if (!data) return {};
    const int result = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                                   0, 0, data.get(), nullptr);
    if (result < 0) return {};
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    return std::string(subject.substr(ovector[0], ovector[1] - ovector[0]));
  }

 private:
  TCode code_;
};

void EraseFirst(std::string& text, std::string_view part) {
  const size_t at = text.find(part);
  if (at != std::string::npos) text.erase(at, part.size());
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
    out.append(text, start, at - start);
    out.append(to);
    start = at + from.size();
  }
  out.append(text, start, std::string::npos);
  text = std::move(out);
}

struct TEntity {
  std::string_view Name;
  std::string_view Text;
};

// In this order: "&amp;" first, so an escaped entity decodes once more.
constexpr TEntity kEntities[] = {
    {"&amp;", "&"}, {"&gt;", ">"}, {"&lt;", "<"}, {"&quot;", "\""}, {"&nbsp;", " "},
};

}  // namespace

std::string DecodeTitleEntities(std::string text) {
  for (const TEntity& entity : kEntities) ReplaceAll(text, entity.Name, entity.Text);
  return text;
}

std::string ExtractPageTitle(std::string_view page) {
  static const TExpression expression(kTitlePattern);
  std::string title = expression.FirstMatch(page);
  if (title.empty()) return title;
  EraseFirst(title, kTitleOpening);
  EraseFirst(title, kTitleClosing);
  return DecodeTitleEntities(std::move(title));
}

std::string ExtractVideoAddress(std::string_view page) {
  static const TExpression videoId(kVideoIdPattern);
  static const TExpression token(kTokenPattern);
  return "http://" + std::string(kServiceDomain) + "/get_video?" + videoId.FirstMatch(page) +
         token.FirstMatch(page);
}

}  // namespace mediaconv::download
