// The window's behaviour on its own, with the simulated service: the time
// of one state query and of one press, and what each allocates.
//   orvanel_native_bench [--smoke]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <ratio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "bench/report.h"
#include "sim/sim_wmi.h"
#include "unit/fake_window.h"

namespace {

std::size_t allocations = 0;

// The tests' window, keeping no history, so that only the behaviour is
// measured.
orvanel::testing::FakeWindow quiet_window() {
  orvanel::testing::FakeWindow window;
  window.recording = false;
  window.tick = 0.001;
  // A real window keeps its status in the control; this one's string is
  // made big enough once, so that it adds nothing to the count.
  window.status.reserve(64);
  return window;
}

template <typename Operation>
void measure(const char* what, int batches, int per_batch, Operation&& operation) {
  std::vector<double> times;
  for (int b = 0; b < batches; ++b) {
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < per_batch; ++k) operation();
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    times.push_back(spent.count() / per_batch);
  }
  orvanel::bench::report(what, orvanel::bench::median(times), 0, "us", "reported");
}

template <typename Operation>
std::size_t allocations_of(Operation&& operation) {
  const std::size_t before = allocations;
  operation();
  return allocations - before;
}

// A service whose objects live forever and allocate nothing but the walk
// over its one instance, which any automation server hands out: what is
// left to count is the window's own.
using orvanel::Dispatch;
using orvanel::Enumerator;
using orvanel::Object;
using orvanel::Value;

struct Fixed : Dispatch {
  void add_ref() noexcept override {}
  void release() noexcept override {}
  Value property(std::string_view) override { return std::string("Stopped"); }
  Value call(std::string_view, std::span<const Value>) override { return {}; }
  std::unique_ptr<Enumerator> enumerate() override { return nullptr; }
};

struct OneInstance final : Enumerator {
  explicit OneInstance(Dispatch* only) : instance(only) {}
  std::optional<Value> next() override {
    if (std::exchange(given, true)) return std::nullopt;
    return Value(Object::adopt(instance));
  }
  Dispatch* instance;
  bool given = false;
};

struct FixedCollection final : Fixed {
  Dispatch* instance = nullptr;
  std::unique_ptr<Enumerator> enumerate() override {
    return std::make_unique<OneInstance>(instance);
  }
};

struct FixedServices final : Fixed {
  Dispatch* collection = nullptr;
  Value call(std::string_view, std::span<const Value>) override {
    return Object::adopt(collection);
  }
};

struct FixedService final : orvanel::Binder {
  FixedService() {
    collection.instance = &instance;
    services.collection = &collection;
  }
  Object bind(std::string_view) override { return Object::adopt(&services); }
  Fixed instance;
  FixedCollection collection;
  FixedServices services;
};

}  // namespace

// These replace the library's, so GCC sees free() inlined where the
// library's containers called operator new, and warns of a mismatch that
// is not one: both go through malloc and free here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

int main(int argc, char** argv) {
  const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
  const int batches = smoke ? 3 : 31;
  const int per_batch = smoke ? 10 : 2000;

  orvanel::sim::SimWmi wmi([] { return 0.0; }, [](double) {});
  const std::size_t service = wmi.add_service("wuauserv", std::string("Running"));
  orvanel::testing::FakeWindow window = quiet_window();
  orvanel::Form1 form(window, wmi);
  measure("Native: one state query (simulated)", batches, per_batch,
          [&] { (void)form.GetServiceState(); });

  // One press of Stop on a service that stops at once: the requests, one
  // poll and the refresh.
  measure("Native: one press of Stop (simulated)", batches, per_batch, [&] {
    wmi.set_state(service, std::string("Running"));
    window.button_caption = "&Stop";
    form.Command1_Click(0);
  });

  FixedService fixed;
  orvanel::testing::FakeWindow quiet = quiet_window();
  orvanel::Form1 alone(quiet, fixed);
  (void)alone.GetServiceState();
  // One walk per query is the service's, not the window's.
  const std::size_t per_query = allocations_of([&] { (void)alone.GetServiceState(); }) - 1;
  orvanel::bench::report("Native: the window's own allocations, one query",
                         static_cast<double>(per_query), 0, "per call", "none");
  // Three walks (the request's, the poll's, the refresh's); the rest is the
  // window's: the status text.
  quiet.button_caption = "&Stop";
  const std::size_t per_press = allocations_of([&] { alone.Command1_Click(0); }) - 3;
  orvanel::bench::report("Native: the window's own allocations, one press",
                         static_cast<double>(per_press), 0, "per call", "the status text only");
  if (per_query != 0 || per_press != 1) {
    std::fprintf(stderr,
                 "allocation goals missed: %zu per query (goal 0), %zu per press (goal 1)\n",
                 per_query, per_press);
    return 1;
  }
  return 0;
}
