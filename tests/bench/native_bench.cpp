// The window's behaviour on its own, with the simulated service: the time
// of one state query and of one press, and what each allocates.
//   orvanel_native_bench [--smoke]
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/form1.h"
#include "bench/report.h"
#include "service/sim_wmi.h"

namespace {

std::size_t allocations = 0;

// A window that does nothing, so that only the behaviour is measured.
class QuietForm final : public orvanel::Forms {
 public:
  std::string caption(orvanel::Control) override { return button; }
  void set_caption(orvanel::Control control, std::string_view text) override {
    if (control == orvanel::Control::kStartStop) button = text;
  }
  void set_enabled(orvanel::Control, bool) override {}
  void set_mouse_pointer(int) override {}
  void unload() override {}
  bool unloaded() const override { return false; }
  void do_events() override {}
  int msg_box(std::string_view, std::string_view, int) override { return orvanel::kAnswerIgnore; }
  double clock() override { return now += 0.001; }

  std::string button;
  double now = 0;
};

template <typename Operation>
void measure(const char* what, int batches, int per_batch, Operation&& operation) {
  std::vector<double> times;
  std::size_t allocated = 0;
  for (int b = 0; b < batches; ++b) {
    const std::size_t before = allocations;
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < per_batch; ++k) operation();
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    times.push_back(spent.count() / per_batch);
    allocated = (allocations - before) / static_cast<std::size_t>(per_batch);
  }
  orvanel::bench::report(what, orvanel::bench::median(times), 0, "us", "reported");
  orvanel::bench::report(std::string(what) + ", allocations", static_cast<double>(allocated), 0,
                         "per call", "reported");
}

}  // namespace

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
  QuietForm form;
  orvanel::Form1 window(form, wmi);
  measure("Native: one state query (simulated)", batches, per_batch,
          [&] { (void)window.GetServiceState(); });

  // One press of Stop on a service that stops at once: the requests, one
  // poll and the refresh.
  measure("Native: one press of Stop (simulated)", batches, per_batch, [&] {
    wmi.set_state(service, std::string("Running"));
    form.button = "&Stop";
    window.Command1_Click(0);
  });
  return 0;
}
