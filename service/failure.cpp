#include "service/failure.h"

#include <exception>
#include <new>
#include <stdexcept>

namespace orvanel {

Failure current_failure() {
  try {
    throw;
  } catch (const Failure& failure) {
    return failure;
  } catch (const std::bad_alloc&) {
    return Failure(error::kOutOfMemory);
  } catch (const std::length_error&) {
    return Failure(error::kOutOfStringSpace);
  } catch (const std::exception& exception) {
    return {error::kInternalError.number, exception.what()};
  } catch (...) {
    return Failure(error::kInternalError);
  }
}

}  // namespace orvanel
