#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace orvanel {

// A failure the program raises itself: its number and its text.
struct KnownFailure {
  std::int32_t number;
  std::string_view description;
};

// Everything that can go wrong at run time reaches the window as one of these:
// the number and text that the failing operation or the platform reported.
class Failure : public std::exception {
 public:
  Failure(std::int32_t number, std::string description)
      : number_(number), description_(std::move(description)) {}
  explicit Failure(KnownFailure known) : Failure(known.number, std::string(known.description)) {}

  [[nodiscard]] std::int32_t number() const noexcept { return number_; }
  [[nodiscard]] const std::string& description() const noexcept { return description_; }
  [[nodiscard]] const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::int32_t number_;
  std::string description_;
};

// The program's own failures carry the numbers and texts a Windows user
// knows from automation run-time errors.
namespace error {
inline constexpr KnownFailure kOutOfMemory{7, "Out of memory"};
inline constexpr KnownFailure kOutOfStringSpace{14, "Out of string space"};
inline constexpr KnownFailure kTypeMismatch{13, "Type mismatch"};
inline constexpr KnownFailure kInternalError{51, "Internal error"};
inline constexpr KnownFailure kObjectNotSet{91, "Object variable or With block variable not set"};
inline constexpr KnownFailure kInvalidUseOfNull{94, "Invalid use of Null"};
inline constexpr KnownFailure kObjectUnloaded{364, "Object was unloaded"};
inline constexpr KnownFailure kNotAnObject{424, "Object required"};
}  // namespace error

// Only inside a catch block: the exception being handled as a Failure. A
// Failure stays as it is; running out of memory is error 7, a text too long
// to hold or convert error 14; any other standard exception keeps its own
// text under error 51, and anything else is error 51 itself.
[[nodiscard]] Failure current_failure();

}  // namespace orvanel
