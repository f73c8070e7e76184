// Where the program looks for the DLLs it loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/startup.h"
#include "support/process.h"

namespace orvanel::win32 {
namespace {

using namespace std::string_literals;

// On Windows a DLL that Windows itself keeps in System32\wbem and nowhere
// else on the search path shows that folder searched; nothing is written
// there. Wine's WMI DLLs are built in and load from anywhere, so under Wine
// the test's own DLL stands in for one, copied into the wbem folder of the
// tests' private prefix.
std::wstring wbem_only_dll(const std::wstring& system) {
  for (const wchar_t* name : {L"wbemprox.dll", L"fastprox.dll", L"wmiutils.dll", L"wbemsvc.dll"}) {
    const std::wstring in_wbem = system + L"\\wbem\\" + name;
    const std::wstring in_system = system + L"\\" + name;
    if (GetFileAttributesW(in_wbem.c_str()) != INVALID_FILE_ATTRIBUTES &&
        GetFileAttributesW(in_system.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetModuleHandleW(name) == nullptr) {
      return name;
    }
  }
  return {};
}

TEST(DllSearch, ADllBesideTheProgramIsNotFoundButOneInTheWbemFolderIs) {
  HMODULE beside = LoadLibraryW(L"orvanel_beside.dll");
  ASSERT_NE(beside, nullptr) << "the test DLL is not beside the program";
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(beside, path, MAX_PATH);
  FreeLibrary(beside);
  wchar_t system_folder[MAX_PATH] = {};
  GetSystemDirectoryW(system_folder, MAX_PATH);
  const std::wstring system = system_folder;
  std::wstring probe_name;
  std::wstring copied;
  if (testing::under_wine()) {
    probe_name = L"orvanel_wbem_probe.dll";
    copied = system + L"\\wbem\\" + probe_name;
    ASSERT_TRUE(CopyFileW(path, copied.c_str(), FALSE));
  } else {
    probe_name = wbem_only_dll(system);
    ASSERT_FALSE(probe_name.empty()) << "no DLL of WMI's found only in System32\\wbem";
  }

  restrict_dll_search();
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(L"orvanel_beside.dll"), nullptr) << "a DLL beside the program was loaded";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  HMODULE probe = LoadLibraryW(probe_name.c_str());
  EXPECT_NE(probe, nullptr) << "a DLL in the wbem folder was not found";
  EXPECT_NE(LoadLibraryW(L"version.dll"), nullptr) << "system DLLs must still load";
  if (probe != nullptr) FreeLibrary(probe);
  if (!copied.empty()) {
    EXPECT_TRUE(DeleteFileW(copied.c_str())) << "the copy was left behind";
  }
  // The rest of this program searches as usual again.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace
}  // namespace orvanel::win32
