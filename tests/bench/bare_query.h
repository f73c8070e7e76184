#pragma once

#include <string>

namespace orvanel::bench {

// The state of wuauserv by the least a late-bound client can do: bind the
// moniker, run the query, walk the result and read State, with raw COM
// calls and nothing around them. The reference the program is measured
// against; empty when anything fails.
std::wstring bare_state();

}  // namespace orvanel::bench
