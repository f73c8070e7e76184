#include <windows.h>

#include "app/startup.h"
#include "service/com_automation.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  orvanel::com::MonikerBinder wmi;
  return orvanel::win32::run(instance, wmi);
}
