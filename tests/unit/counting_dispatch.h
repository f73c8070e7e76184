#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "service/automation.h"

namespace orvanel::testing {

// A fake automation object that counts its references and records every
// member name it is asked for. It lives on the test's stack, so the test can
// assert the balance after every handle is gone.
class CountingDispatch final : public Dispatch {
 public:
  int add_refs = 0;
  int releases = 0;
  std::vector<std::string> names;
  Value answer;
  std::vector<Value> elements;
  std::function<void()> during_call;  // runs inside get and call

  [[nodiscard]] int references() const { return add_refs - releases; }

  // A handle that owns one new reference.
  Object handle() {
    add_ref();
    return Object::adopt(this);
  }

  void add_ref() noexcept override { ++add_refs; }
  void release() noexcept override { ++releases; }
  Value property(std::string_view name) override {
    names.emplace_back(name);
    if (during_call) during_call();
    return answer;
  }
  Value call(std::string_view name, std::span<const Value> args) override {
    names.emplace_back(std::string(name) + "/" + std::to_string(args.size()));
    if (during_call) during_call();
    return answer;
  }
  std::unique_ptr<Enumerator> enumerate() override {
    names.emplace_back("_NewEnum");
    struct Walk final : Enumerator {
      std::vector<Value> items;
      std::size_t at = 0;
      std::optional<Value> next() override {
        if (at == items.size()) return std::nullopt;
        return items[at++];
      }
    };
    auto walk = std::make_unique<Walk>();
    walk->items = elements;
    return walk;
  }
};

}  // namespace orvanel::testing
