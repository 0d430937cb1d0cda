#pragma once
#include <curl/curl.h>

#include <memory>
#include <string>

namespace mediaconv::http {

struct TCurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using TCurlEasy = std::unique_ptr<CURL, TCurlEasyDeleter>;

struct TCurlSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// A header list that grows one line at a time.
class TCurlSlist {
 public:
  bool Append(const std::string& line) {
    curl_slist* grown = curl_slist_append(list_.get(), line.c_str());
    if (!grown) return false;
    list_.release();
    list_.reset(grown);
    return true;
  }
  curl_slist* Get() const { return list_.get(); }

 private:
  std::unique_ptr<curl_slist, TCurlSlistDeleter> list_;
};

struct TCurlUrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using TCurlUrl = std::unique_ptr<CURLU, TCurlUrlDeleter>;

// libcurl's process-wide set-up, done once before the first handle.
void EnsureCurlGlobal();

}  // namespace mediaconv::http
