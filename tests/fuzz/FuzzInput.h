// SPDX-License-Identifier: GPL-3.0-or-later
// A small reader over the fuzzer's bytes: each take consumes from the front
// and yields zero once the input is used up, so every input is a valid plan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zt310::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
  std::string Text(std::size_t length) {
    std::string text;
    while (length-- > 0 && !Empty()) text.push_back(static_cast<char>(Byte()));
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace zt310::fuzz
