#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/automation.h"

namespace orvanel::sim {

// The points at which the simulated management service can be told to fail.
enum class Operation : std::uint8_t {
  kConnect,
  kExecQuery,
  kOpenEnumeration,
  kNextElement,
  kState,
  kMethod,  // StartService and StopService
};
inline constexpr std::size_t kOperationCount = 6;

// A stand-in for the management service: instances of Win32_Service with a
// Name and a State, reached through the same late-bound calls as the real one.
// Start and stop pass through pending states over a set time on the injected
// clock, or are refused silently. Any operation can be made to fail or to be
// slow. Objects it hands out stay valid after the simulator is gone.
class SimWmi final : public Binder {
 public:
  using Clock = std::function<double()>;
  using Sleeper = std::function<void(double seconds)>;

  SimWmi();
  SimWmi(Clock clock, Sleeper sleeper);

  // Returns the instance's index; several instances may share one name.
  std::size_t add_service(std::string name, Value state);
  void set_state(std::size_t index, Value state);
  [[nodiscard]] Value state(std::size_t index) const;
  // How long a start or stop stays pending; 0 makes it immediate.
  void set_transition_seconds(double seconds);
  // A refusing service ignores start and stop, reporting it only in the
  // method's return value.
  void set_refusing(std::size_t index, bool refusing);

  // The call-th call (counting from 1) of the operation fails.
  void fail_once(Operation operation, Failure failure, int call);
  // Every call from the call-th on fails.
  void fail_from(Operation operation, Failure failure, int call);
  void clear_faults();
  void set_latency(Operation operation, double seconds);

  [[nodiscard]] int calls(Operation operation) const;
  // Every start or stop request delivered, as "StopService #index".
  [[nodiscard]] const std::vector<std::string>& requests() const;
  // Objects handed out and not yet released.
  [[nodiscard]] int live_objects() const;

  Object bind(std::string_view moniker) override;

  struct World;

 private:
  std::shared_ptr<World> world_;
};

// The moniker the simulator answers, like the real one.
inline constexpr std::string_view kLocalCimv2 = "winmgmts:\\\\.\\root\\cimv2";

}  // namespace orvanel::sim
