#pragma once
#include <cstdint>
#include <initializer_list>

namespace mediaconv::http {

// A set of values of a small enumeration (at most 32 values), written as a
// braced list: `{ioKeepConnection, ioNoCookies}`.
template <typename TEnum>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<TEnum> values) {
    for (TEnum value : values) Include(value);
  }
  constexpr bool Has(TEnum value) const { return (bits_ & Bit(value)) != 0; }
  constexpr void Include(TEnum value) { bits_ |= Bit(value); }
  constexpr void Exclude(TEnum value) { bits_ &= ~Bit(value); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  constexpr bool operator==(const TEnumSet&) const = default;

 private:
  static constexpr uint32_t Bit(TEnum value) { return uint32_t(1) << unsigned(value); }
  uint32_t bits_ = 0;
};

}  // namespace mediaconv::http
