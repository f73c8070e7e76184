#include "sim/sim_wmi.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cctype>
#include <limits>
#include <optional>
#include <span>
#include <thread>
#include <utility>
#include <variant>

namespace orvanel::sim {
namespace {

constexpr std::int32_t hresult(std::uint32_t code) {
  return static_cast<std::int32_t>(code);
}

// The answers the real service gives for the same mistakes.
const Failure kBadMoniker{hresult(0x800401E4), "Invalid syntax"};
const Failure kInvalidQuery{hresult(0x80041017), "Invalid query"};
// What an automation run time answers for a member an object does not
// have, and for enumerating what is no collection.
const Failure kUnknownName{438, "Object doesn't support this property or method"};
const Failure kNotCollection{
    451, "Property let procedure not defined and property get procedure did not return an object"};

// Win32_Service method return codes.
constexpr std::int32_t kSuccess = 0;
constexpr std::int32_t kAccessDenied = 2;
constexpr std::int32_t kCannotAcceptControl = 5;
constexpr std::int32_t kAlreadyRunning = 10;

double steady_seconds() {
  using Seconds = std::chrono::duration<double>;
  return Seconds(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleep_seconds(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// Splits a WQL text into words, keeping a quoted string as one word.
std::vector<std::string> words_of(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i])) != 0) {
      ++i;
    } else if (text[i] == '\'') {
      const std::size_t end = text.find('\'', i + 1);
      if (end == std::string_view::npos) return {};
      words.emplace_back(text.substr(i, end - i + 1));
      i = end + 1;
    } else if (text[i] == '=') {
      words.emplace_back("=");
      ++i;
    } else {
      std::size_t end = i;
      while (end < text.size() && std::isspace(static_cast<unsigned char>(text[end])) == 0 &&
             text[end] != '=' && text[end] != '\'') {
        ++end;
      }
      words.emplace_back(text.substr(i, end - i));
      i = end;
    }
  }
  return words;
}

// Accepts exactly the query shape the window sends and gives the name it asks for.
std::optional<std::string> name_asked_for(std::string_view query) {
  const std::vector<std::string> w = words_of(query);
  const std::array<std::string_view, 8> shape{"select", "*",    "from", "win32_service",
                                              "where",  "name", "=",    ""};
  if (w.size() != shape.size()) return std::nullopt;
  for (std::size_t k = 0; k + 1 < shape.size(); ++k) {
    if (!equal_ignoring_case(w[k], shape[k])) return std::nullopt;
  }
  const std::string& quoted = w.back();
  if (quoted.size() < 2 || quoted.front() != '\'') return std::nullopt;
  return quoted.substr(1, quoted.size() - 2);
}

}  // namespace

struct SimWmi::World {
  struct Service {
    std::string name;
    Value state;
    std::optional<std::string> target;  // set while a start or stop is pending
    double settles_at = 0;
    bool refusing = false;
  };
  struct Fault {
    Failure failure;
    int first_call;
    int last_call;
  };

  Clock clock;
  Sleeper sleeper;
  double transition_seconds = 0;
  std::vector<Service> services;
  std::vector<Fault> faults[kOperationCount];
  double latency[kOperationCount] = {};
  int calls[kOperationCount] = {};
  std::vector<std::string> requests;
  int live_objects = 0;

  // Counts the call, waits as told, and fails as told.
  void enter(Operation operation) {
    const auto op = static_cast<std::size_t>(operation);
    const int call = ++calls[op];
    if (latency[op] > 0) sleeper(latency[op]);
    for (const Fault& fault : faults[op]) {
      if (call >= fault.first_call && call <= fault.last_call) throw fault.failure;
    }
  }

  void settle(Service& service) const {
    if (service.target && clock() >= service.settles_at) {
      service.state = *std::exchange(service.target, std::nullopt);
    }
  }

  std::int32_t request(std::size_t index, bool start) {
    Service& service = services.at(index);
    settle(service);
    requests.push_back((start ? "StartService #" : "StopService #") + std::to_string(index));
    const std::string* state = std::get_if<std::string>(&service.state);
    const char* from = start ? "Stopped" : "Running";
    if (state == nullptr || *state != from || service.target) {
      return start ? kAlreadyRunning : kCannotAcceptControl;
    }
    if (service.refusing) return kAccessDenied;
    const char* to = start ? "Running" : "Stopped";
    if (transition_seconds <= 0) {
      service.state = std::string(to);
    } else {
      service.state = std::string(start ? "Start Pending" : "Stop Pending");
      service.target = to;
      service.settles_at = clock() + transition_seconds;
    }
    return kSuccess;
  }
};

namespace {

using World = SimWmi::World;

class SimObject : public Dispatch {
 public:
  explicit SimObject(std::shared_ptr<World> world) : world_(std::move(world)) {
    ++world_->live_objects;
  }
  SimObject(const SimObject&) = delete;
  SimObject& operator=(const SimObject&) = delete;

  void add_ref() noexcept override { ++references_; }
  void release() noexcept override {
    if (--references_ == 0) delete this;
  }
  Value property(std::string_view /*name*/) override { throw kUnknownName; }
  Value call(std::string_view /*name*/, std::span<const Value> /*args*/) override {
    throw kUnknownName;
  }
  std::unique_ptr<Enumerator> enumerate() override { throw kNotCollection; }

 protected:
  virtual ~SimObject() { --world_->live_objects; }
  World& world() const { return *world_; }
  const std::shared_ptr<World>& shared_world() const { return world_; }

 private:
  std::shared_ptr<World> world_;
  int references_ = 1;
};

template <typename T, typename... Args>
Object make_object(Args&&... args) {
  return Object::adopt(new T(std::forward<Args>(args)...));
}

class Instance final : public SimObject {
 public:
  // Like the real service, an instance shows the state it had when the query ran.
  Instance(std::shared_ptr<World> world, std::size_t index)
      : SimObject(std::move(world)), index_(index) {
    World::Service& service = this->world().services.at(index_);
    this->world().settle(service);
    state_ = service.state;
  }

  Value property(std::string_view name) override {
    if (name == "State") {
      world().enter(Operation::kState);
      return state_;
    }
    if (name == "Name") return world().services.at(index_).name;
    return SimObject::property(name);
  }

  Value call(std::string_view name, std::span<const Value> args) override {
    const bool start = name == "StartService";
    if ((!start && name != "StopService") || !args.empty()) return SimObject::call(name, args);
    world().enter(Operation::kMethod);
    return world().request(index_, start);
  }

 private:
  std::size_t index_;
  Value state_;
};

class InstanceEnumerator final : public Enumerator {
 public:
  InstanceEnumerator(std::shared_ptr<World> world, Object collection, std::vector<Object> items)
      : world_(std::move(world)), collection_(std::move(collection)), items_(std::move(items)) {}

  std::optional<Value> next() override {
    world_->enter(Operation::kNextElement);
    if (position_ == items_.size()) return std::nullopt;
    return Value(items_[position_++]);
  }

 private:
  std::shared_ptr<World> world_;
  Object collection_;  // held, as a COM enumerator holds its collection
  std::vector<Object> items_;
  std::size_t position_ = 0;
};

class Collection final : public SimObject {
 public:
  Collection(std::shared_ptr<World> world, std::vector<Object> items)
      : SimObject(std::move(world)), items_(std::move(items)) {}

  Value property(std::string_view name) override {
    if (name == "Count") return static_cast<std::int32_t>(items_.size());
    return SimObject::property(name);
  }

  std::unique_ptr<Enumerator> enumerate() override {
    world().enter(Operation::kOpenEnumeration);
    add_ref();
    Object self = Object::adopt(this);
    return std::make_unique<InstanceEnumerator>(shared_world(), std::move(self), items_);
  }

 private:
  std::vector<Object> items_;
};

class Services final : public SimObject {
 public:
  using SimObject::SimObject;

  Value call(std::string_view name, std::span<const Value> args) override {
    if (name != "ExecQuery" || args.size() != 1) return SimObject::call(name, args);
    world().enter(Operation::kExecQuery);
    const std::optional<std::string> wanted = name_asked_for(text_of(args[0]));
    if (!wanted) throw kInvalidQuery;
    std::vector<Object> items;
    for (std::size_t k = 0; k < world().services.size(); ++k) {
      if (equal_ignoring_case(world().services[k].name, *wanted)) {
        items.push_back(make_object<Instance>(shared_world(), k));
      }
    }
    return make_object<Collection>(shared_world(), std::move(items));
  }
};

}  // namespace

SimWmi::SimWmi() : SimWmi(steady_seconds, sleep_seconds) {}

SimWmi::SimWmi(Clock clock, Sleeper sleeper) : world_(std::make_shared<World>()) {
  world_->clock = std::move(clock);
  world_->sleeper = std::move(sleeper);
}

std::size_t SimWmi::add_service(std::string name, Value state) {
  World::Service service;
  service.name = std::move(name);
  service.state = std::move(state);
  world_->services.push_back(std::move(service));
  return world_->services.size() - 1;
}

void SimWmi::set_state(std::size_t index, Value state) {
  World::Service& service = world_->services.at(index);
  service.state = std::move(state);
  service.target.reset();
}

Value SimWmi::state(std::size_t index) const {
  World::Service& service = world_->services.at(index);
  world_->settle(service);
  return service.state;
}

void SimWmi::set_transition_seconds(double seconds) {
  world_->transition_seconds = seconds;
}

void SimWmi::set_refusing(std::size_t index, bool refusing) {
  world_->services.at(index).refusing = refusing;
}

void SimWmi::fail_once(Operation operation, Failure failure, int call) {
  world_->faults[static_cast<std::size_t>(operation)].push_back({std::move(failure), call, call});
}

void SimWmi::fail_from(Operation operation, Failure failure, int call) {
  world_->faults[static_cast<std::size_t>(operation)].push_back(
      {std::move(failure), call, std::numeric_limits<int>::max()});
}

void SimWmi::clear_faults() {
  for (auto& faults : world_->faults) faults.clear();
}

void SimWmi::set_latency(Operation operation, double seconds) {
  world_->latency[static_cast<std::size_t>(operation)] = seconds;
}

int SimWmi::calls(Operation operation) const {
  return world_->calls[static_cast<std::size_t>(operation)];
}

const std::vector<std::string>& SimWmi::requests() const {
  return world_->requests;
}

int SimWmi::live_objects() const {
  return world_->live_objects;
}

Object SimWmi::bind(std::string_view moniker) {
  world_->enter(Operation::kConnect);
  if (!equal_ignoring_case(moniker, kLocalCimv2)) throw kBadMoniker;
  return make_object<Services>(world_);
}

}  // namespace orvanel::sim
