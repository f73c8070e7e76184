#pragma once

// Reading a Windows program file as it lies on disk.

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace orvanel::testing {

std::vector<unsigned char> read_file(const std::wstring& path);

template <typename T>
T at(const std::vector<unsigned char>& bytes, std::size_t offset) {
  T value{};
  if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

// The names of the DLLs a 64-bit image imports, in lower case.
std::vector<std::string> imported_dlls(const std::vector<unsigned char>& image);

}  // namespace orvanel::testing
