#include "support/pe.h"

#include <cctype>
#include <cstddef>
#include <fstream>
#include <iterator>

namespace orvanel::testing {

std::vector<unsigned char> read_file(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> imported_dlls(const std::vector<unsigned char>& image) {
  const auto nt = static_cast<std::size_t>(at<IMAGE_DOS_HEADER>(image, 0).e_lfanew);
  const auto headers = at<IMAGE_NT_HEADERS64>(image, nt);
  const IMAGE_DATA_DIRECTORY imports =
      headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const std::size_t sections =
      nt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + headers.FileHeader.SizeOfOptionalHeader;
  const auto file_offset = [&](DWORD rva) -> std::size_t {
    for (WORD k = 0; k < headers.FileHeader.NumberOfSections; ++k) {
      const auto section =
          at<IMAGE_SECTION_HEADER>(image, sections + k * sizeof(IMAGE_SECTION_HEADER));
      if (rva >= section.VirtualAddress &&
          rva < section.VirtualAddress + section.Misc.VirtualSize) {
        return rva - section.VirtualAddress + section.PointerToRawData;
      }
    }
    return image.size();
  };
  std::vector<std::string> names;
  for (std::size_t entry = file_offset(imports.VirtualAddress); entry < image.size();
       entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto descriptor = at<IMAGE_IMPORT_DESCRIPTOR>(image, entry);
    if (descriptor.Name == 0) break;
    std::string name;
    for (std::size_t c = file_offset(descriptor.Name); c < image.size() && image[c] != 0; ++c) {
      name += static_cast<char>(std::tolower(image[c]));
    }
    names.push_back(name);
  }
  return names;
}

}  // namespace orvanel::testing
