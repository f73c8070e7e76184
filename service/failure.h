#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace orvanel {

// Everything that can go wrong at run time reaches the window as one of these:
// the number and text that the failing operation or the platform reported.
class Failure : public std::exception {
 public:
  Failure(std::int32_t number, std::string description)
      : number_(number), description_(std::move(description)) {}

  [[nodiscard]] std::int32_t number() const noexcept { return number_; }
  [[nodiscard]] const std::string& description() const noexcept { return description_; }
  [[nodiscard]] const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::int32_t number_;
  std::string description_;
};

// Failures that the program raises itself carry the numbers a Windows user
// knows from automation run-time errors.
namespace error {
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kNotAnObject = 424;
}  // namespace error

}  // namespace orvanel
