#pragma once
#include <optional>
#include <string>
#include <vector>

namespace mediaconv::engine {

// Encoder options of older library generations that the built-in presets and
// the option builder still write, and the current option each one became.

// A flag of an old flags option ("flags2=+mixed_refs") that is now an option
// of its own ("mixed-refs=1").
struct TLegacyFlag {
  const char* option;      // the old flags option: "flags" or "flags2"
  const char* flag;        // the old flag name
  const char* newName;     // the current option, or nullptr: no equivalent
  const char* setValue;    // value for "+flag"
  const char* clearValue;  // value for "-flag"
  const char* reason;
};

// An old option name that is now another option ("cqp" became "qp").
// A null newName: no equivalent; the option is logged and ignored.
struct TLegacyName {
  const char* name;
  const char* newName;
  const char* reason;
};

const std::vector<TLegacyFlag>& LegacyFlags();
const std::vector<TLegacyName>& LegacyNames();

// What the old deblocking pair has set so far: x264 takes both in one option.
struct TLegacyState {
  int deblockAlpha = 0;
  int deblockBeta = 0;
};

struct TTranslatedOption {
  std::string name;
  std::string value;
};

struct TLegacyTranslation {
  // The current options to set, in order.
  std::vector<TTranslatedOption> options;
  // Old forms that have no current equivalent ("flags2=+brdo").
  std::vector<std::string> dropped;
  // The value cannot be read in the old form (a deblocking value that is no
  // number): the option is refused like any bad value.
  bool invalidValue = false;
};

// The translation of name=value when it is written in an old form, else
// nothing (the option is set as it is).
std::optional<TLegacyTranslation> TranslateLegacyOption(const std::string& name, const std::string& value,
                                                        TLegacyState& state);

}  // namespace mediaconv::engine
