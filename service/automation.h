#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

// Every call below may throw a Failure: its users have it with this header.
#include "service/failure.h"  // IWYU pragma: export

namespace orvanel {

class Object;

// The variant value that crosses the late-bound boundary. Backends deliver
// text as UTF-8; anything the core cannot use as text or object is an error
// at the point of use, as it would be in any late-bound client.
struct Null {
  friend bool operator==(Null, Null) = default;
};
using Value = std::variant<std::monostate, Null, std::int32_t, std::string, Object>;

class Enumerator {
 public:
  virtual ~Enumerator() = default;
  // The next element, or nothing at the end of the collection.
  virtual std::optional<Value> next() = 0;
};

// One automation object reached only by member name at run time. Reference
// counted by its own add_ref/release so that a backend can mirror COM exactly
// and a test can count the balance.
class Dispatch {
 public:
  virtual void add_ref() noexcept = 0;
  virtual void release() noexcept = 0;
  virtual Value property(std::string_view name) = 0;
  virtual Value call(std::string_view name, std::span<const Value> args) = 0;
  // A method call whose result is neither asked for nor read, so that
  // nothing a provider would return can fail it. A provider that always
  // gives a result drops it here.
  virtual void call_without_result(std::string_view name, std::span<const Value> args);
  virtual std::unique_ptr<Enumerator> enumerate() = 0;

 protected:
  ~Dispatch() = default;
};

// An object reference: empty or holding one automation object. Copying shares
// the object; assigning releases what was held before. Every operation on an
// empty reference fails as "Object variable not set".
class Object {
 public:
  Object() noexcept = default;
  // Takes over one reference that the caller already holds.
  static Object adopt(Dispatch* dispatch) noexcept;

  Object(const Object& other) noexcept;
  Object(Object&& other) noexcept : dispatch_(std::exchange(other.dispatch_, nullptr)) {}
  Object& operator=(const Object& other) noexcept;
  Object& operator=(Object&& other) noexcept;
  ~Object();

  [[nodiscard]] explicit operator bool() const noexcept { return dispatch_ != nullptr; }
  [[nodiscard]] Dispatch* get() const noexcept { return dispatch_; }
  void reset() noexcept;

  [[nodiscard]] Value property(std::string_view name) const;
  Value call(std::string_view name, std::span<const Value> args = {}) const;
  void call_without_result(std::string_view name, std::span<const Value> args = {}) const;
  [[nodiscard]] class Enumeration enumerate() const;

  friend bool operator==(const Object& a, const Object& b) noexcept {
    return a.dispatch_ == b.dispatch_;
  }

 private:
  [[nodiscard]] Dispatch& checked() const;
  Dispatch* dispatch_ = nullptr;
};

// A walk over a collection. Each element must be an object.
class Enumeration {
 public:
  explicit Enumeration(std::unique_ptr<Enumerator> enumerator) noexcept
      : enumerator_(std::move(enumerator)) {}
  std::optional<Object> next();

 private:
  std::unique_ptr<Enumerator> enumerator_;
};

// Binds an object moniker to the object it names ("get object").
class Binder {
 public:
  virtual Object bind(std::string_view moniker) = 0;

 protected:
  ~Binder() = default;
};

// The conversions a late-bound client applies when it uses a value.
std::string text_of(const Value& value);
Object object_of(Value value);

}  // namespace orvanel
