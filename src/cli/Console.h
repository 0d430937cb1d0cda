#pragma once
#include <cstdio>
#include <mutex>
#include <string>

namespace mediaconv::cli {

// Standard output and standard error, shared by the run's threads. On a
// terminal one live line can be kept at the bottom of the output: any other
// line first clears it, and the next live update draws it again.
class TConsole {
 public:
  TConsole();

  // Whether standard output is a terminal (live line possible); never while
  // standard output carries JSON.
  bool Interactive() const { return interactive_ && !json_; }
  // Standard output carries JSON lines: the lines for people go to standard
  // error, without a live line.
  void SetJsonOutput(bool json) { json_ = json; }
  bool JsonOutput() const { return json_; }
  // One JSON object, on a line of its own on standard output.
  void Json(const std::string& object);
  void Out(const std::string& line);
  void Err(const std::string& line);
  // Replaces the live line; ignored when not interactive.
  void Live(const std::string& line);
  void EndLive();
  // Columns of the terminal, 80 when unknown.
  int Width() const;

 private:
  void ClearLive();
  void WroteOut();

  std::mutex mutex_;
  bool interactive_ = false;
  bool json_ = false;
  bool liveShown_ = false;
  bool outClosed_ = false;  // the reader of standard output went away
};

}  // namespace mediaconv::cli
