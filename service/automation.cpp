#include "service/automation.h"

namespace orvanel {

void Dispatch::call_without_result(std::string_view name, std::span<const Value> args) {
  (void)call(name, args);
}

Object Object::adopt(Dispatch* dispatch) noexcept {
  Object object;
  object.dispatch_ = dispatch;
  return object;
}

Object::Object(const Object& other) noexcept : dispatch_(other.dispatch_) {
  if (dispatch_ != nullptr) dispatch_->add_ref();
}

Object& Object::operator=(const Object& other) noexcept {
  if (this == &other) return *this;
  if (other.dispatch_ != nullptr) other.dispatch_->add_ref();
  Dispatch* old = std::exchange(dispatch_, other.dispatch_);
  if (old != nullptr) old->release();
  return *this;
}

Object& Object::operator=(Object&& other) noexcept {
  if (this != &other) {
    Dispatch* old = std::exchange(dispatch_, std::exchange(other.dispatch_, nullptr));
    if (old != nullptr) old->release();
  }
  return *this;
}

Object::~Object() {
  reset();
}

void Object::reset() noexcept {
  // Cleared before the release so that a destructor that reaches back here
  // finds the reference already empty.
  if (Dispatch* old = std::exchange(dispatch_, nullptr)) old->release();
}

Dispatch& Object::checked() const {
  if (dispatch_ == nullptr) {
    throw Failure(error::kObjectNotSet);
  }
  return *dispatch_;
}

// Each operation holds its own reference for the length of the call, so that
// the object survives even if whatever the call re-enters drops this handle.
Value Object::property(std::string_view name) const {
  const Object keep(*this);
  return keep.checked().property(name);
}

Value Object::call(std::string_view name, std::span<const Value> args) const {
  const Object keep(*this);
  return keep.checked().call(name, args);
}

void Object::call_without_result(std::string_view name, std::span<const Value> args) const {
  const Object keep(*this);
  keep.checked().call_without_result(name, args);
}

Enumeration Object::enumerate() const {
  const Object keep(*this);
  return Enumeration(keep.checked().enumerate());
}

std::optional<Object> Enumeration::next() {
  if (!enumerator_) return std::nullopt;
  std::optional<Value> value = enumerator_->next();
  if (!value) return std::nullopt;
  return object_of(std::move(*value));
}

std::string text_of(const Value& value) {
  struct {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(Null) const { throw Failure(error::kInvalidUseOfNull); }
    std::string operator()(std::int32_t number) const { return std::to_string(number); }
    std::string operator()(const std::string& text) const { return text; }
    std::string operator()(const Object&) const { throw Failure(error::kTypeMismatch); }
  } visitor;
  return std::visit(visitor, value);
}

Object object_of(Value value) {
  if (auto* object = std::get_if<Object>(&value)) return std::move(*object);
  throw Failure(error::kNotAnObject);
}

}  // namespace orvanel
