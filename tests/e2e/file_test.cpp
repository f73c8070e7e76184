#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "e2e/app.h"
#include "support/pe.h"
#include "support/process.h"
#include "version.h"

namespace orvanel::testing {
namespace {

using orvanel::testing::at;

class ProgramFile : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(Programs::real.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { FreeLibrary(module_); }

  std::vector<unsigned char> resource(const wchar_t* type, WORD id) const {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) return {};
    const auto* data =
        static_cast<const unsigned char*>(LockResource(LoadResource(module_, found)));
    return {data, data + SizeofResource(module_, found)};
  }

  HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct GroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ProgramFile, CarriesTheIconWithFiveImagesInOrderAndThePicture) {
  const std::vector<unsigned char> group = resource(RT_GROUP_ICON, 1);
  ASSERT_GE(group.size(), 6U);
  ASSERT_EQ(at<WORD>(group, 4), 5) << "image count";
  const std::array<std::pair<int, int>, 5> expected{
      {{32, 8}, {48, 8}, {16, 32}, {32, 32}, {48, 32}}};
  for (std::size_t k = 0; k < expected.size(); ++k) {
    const auto entry = at<GroupEntry>(group, 6 + k * sizeof(GroupEntry));
    const std::vector<unsigned char> image = resource(RT_ICON, entry.id);
    const auto header = at<BITMAPINFOHEADER>(image, 0);
    EXPECT_EQ(header.biWidth, expected[k].first) << k;
    EXPECT_EQ(header.biHeight, 2 * expected[k].first) << k << ": colours and mask";
    EXPECT_EQ(header.biBitCount, expected[k].second) << k;
    EXPECT_EQ(entry.bits, expected[k].second) << k;
  }

  const std::vector<unsigned char> picture = resource(RT_BITMAP, 2);
  const auto header = at<BITMAPINFOHEADER>(picture, 0);
  EXPECT_EQ(header.biWidth, 48);
  EXPECT_EQ(header.biHeight, 48);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  // The corner is the window's background, so the picture has no edge.
  const std::size_t corner = header.biSize + (47 * 48) * 3;  // top-left of a bottom-up bitmap
  EXPECT_EQ(picture.at(corner + 2), 212);
  EXPECT_EQ(picture.at(corner + 1), 208);
  EXPECT_EQ(picture.at(corner), 200);
}

TEST_F(ProgramFile, HasTheVersionRecordAndNoManifest) {
  const DWORD size = GetFileVersionInfoSizeW(Programs::real.c_str(), nullptr);
  ASSERT_GT(size, 0U);
  std::vector<unsigned char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(Programs::real.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000U);
  EXPECT_EQ(fixed->dwFileVersionLS, 0U);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000U);
  EXPECT_EQ(fixed->dwProductVersionLS, 0U);
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04B0);
  const auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length))
      return std::wstring();
    return std::wstring(text);
  };
  EXPECT_EQ(value(L"ProductName"), L"Orvanel");
  EXPECT_EQ(value(L"InternalName"), L"Orvanel");
  EXPECT_EQ(value(L"FileVersion"), L"1.00");
  EXPECT_EQ(value(L"ProductVersion"), L"1.00");
  EXPECT_NE(value(L"LegalCopyright").find(L"MIT License"), std::wstring::npos)
      << "the version record does not name the licence";
  EXPECT_EQ(value(L"LegalCopyright").rfind(L"Copyright \u00A9 " ORVANEL_YEAR " ", 0), 0U)
      << "not the copyright sign";

  std::set<ULONG_PTR> types;
  EnumResourceTypesW(
      module_,
      [](HMODULE, LPWSTR type, LONG_PTR found) -> BOOL {
        if (IS_INTRESOURCE(type))
          reinterpret_cast<std::set<ULONG_PTR>*>(found)->insert(reinterpret_cast<ULONG_PTR>(type));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&types));
  EXPECT_TRUE(types.count(reinterpret_cast<ULONG_PTR>(RT_GROUP_ICON)) == 1);
  EXPECT_EQ(types.count(reinterpret_cast<ULONG_PTR>(RT_MANIFEST)), 0U)
      << "the program carries a manifest";
}

TEST(ProgramHeader, IsAWindows7ProgramWithTheProtectionsOn) {
  const std::vector<unsigned char> image = read_file(Programs::real);
  const auto nt = static_cast<std::size_t>(at<IMAGE_DOS_HEADER>(image, 0).e_lfanew);
  const auto headers = at<IMAGE_NT_HEADERS64>(image, nt);
  const IMAGE_OPTIONAL_HEADER64& optional = headers.OptionalHeader;
  EXPECT_EQ(optional.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  EXPECT_EQ(optional.MajorSubsystemVersion, 6);
  EXPECT_EQ(optional.MinorSubsystemVersion, 0);
  for (const WORD flag :
       {WORD{IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE},
        WORD{IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE}, WORD{IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA},
        WORD{IMAGE_DLLCHARACTERISTICS_NX_COMPAT}}) {
    EXPECT_EQ(optional.DllCharacteristics & flag, flag) << std::hex << flag;
  }
  const std::size_t sections =
      nt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + headers.FileHeader.SizeOfOptionalHeader;
  ASSERT_GT(headers.FileHeader.NumberOfSections, 0);
  for (WORD k = 0; k < headers.FileHeader.NumberOfSections; ++k) {
    const auto section =
        at<IMAGE_SECTION_HEADER>(image, sections + k * sizeof(IMAGE_SECTION_HEADER));
    const DWORD both = IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE;
    EXPECT_NE(section.Characteristics & both, both)
        << std::string(reinterpret_cast<const char*>(section.Name), 8)
        << " is writable and executable";
  }
}

// The bound is the MinGW-w64 build's, the one that ships. Visual Studio's
// static runtime is another library, whose size no document gives: that
// build reports its size instead.
TEST(ProgramImports, OnlyDllsThatShipWithWindowsAndAtMost192KiB) {
  const std::size_t size = read_file(Programs::real).size();
#ifdef _MSC_VER
  ::testing::Test::RecordProperty("orvanel_exe_bytes", std::to_string(size));
  std::printf("orvanel.exe (Visual Studio build): %zu bytes\n", size);
#else
  EXPECT_LE(size, 192U * 1024U);
#endif
  const std::vector<std::string> dlls = imported_dlls(read_file(Programs::real));
  ASSERT_FALSE(dlls.empty());
  const std::set<std::string> system{"kernel32.dll", "user32.dll", "gdi32.dll",   "ole32.dll",
                                     "oleaut32.dll", "msvcrt.dll", "advapi32.dll"};
  for (const std::string& dll : dlls) {
    // MSYS2's UCRT64 environment links the Universal CRT, which Windows 7
    // has only as an update: the MINGW64 environment links msvcrt.dll.
    const bool ucrt = dll.rfind("api-ms-win-crt-", 0) == 0 || dll == "ucrtbase.dll";
    EXPECT_EQ(system.count(dll), 1U)
        << dll << " does not ship with Windows"
        << (ucrt ? ": built against the Universal CRT, as in MSYS2's UCRT64 environment; build "
                   "in MINGW64, whose msvcrt.dll every Windows has"
                 : "");
  }
}

// Both programs copied into a folder whose name the ANSI code page cannot
// spell (Cyrillic and Arabic letters, which no single code page holds
// together), and this driver started again on them: its arguments and the
// programs' paths reach Windows whole. The folder is made here, when the
// test runs, so that no build file holds its name.
TEST(FarFolder, TheDriverStartsTheProgramsFromIt) {
  const std::filesystem::path real(Programs::real);
  const std::filesystem::path folder = real.parent_path() /
                                       L"\u043f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b-"
                                       L"\u0628\u0631\u0627\u0645\u062c";
  BOOL lossy = FALSE;
  const std::wstring name = folder.filename().wstring();
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), static_cast<int>(name.size()),
                      nullptr, 0, nullptr, &lossy);
  if (GetACP() != CP_UTF8) {
    EXPECT_TRUE(lossy) << "the ANSI code page spells the name: " << GetACP();
  }
  std::filesystem::create_directories(folder);
  const std::filesystem::path program = folder / real.filename();
  const std::filesystem::path simulated =
      folder / std::filesystem::path(Programs::simulated).filename();
  std::filesystem::copy_file(real, program, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(Programs::simulated, simulated,
                             std::filesystem::copy_options::overwrite_existing);
  std::wstring driver(MAX_PATH, L'\0');
  driver.resize(GetModuleFileNameW(nullptr, driver.data(), MAX_PATH));
  const std::optional<Finished> run = run_to_end(
      L"\"" + driver +
          L"\" --gtest_filter=Simulated.StopThenStartGoesRoundWithTheButtonFollowing \"" +
          program.wstring() + L"\" \"" + simulated.wstring() + L"\"",
      60000);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  ASSERT_TRUE(run.has_value()) << "the driver did not start, or did not end within a minute";
  EXPECT_EQ(run->exit_code, 0U) << run->output;
  EXPECT_NE(run->output.find("[  PASSED  ] 1 test."), std::string::npos) << run->output;
}

}  // namespace
}  // namespace orvanel::testing
